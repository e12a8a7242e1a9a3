#include "shell/compose_win32.h"

#include <cstdlib>
#include <cstring>

#include "base/clock_win32.h"
#include "base/gdi_surface_win32.h"
#include "base/test_log_win32.h"
#include "base/worker_pool.h"
#include "gpu/crt_frame.h"
#include "gpu/crt_gpu_win32.h"
#include "gpu/gpu_hooks.h"
#include "gpu/presenter_win32.h"
#include "record/record_mode.h"
#include "record/record_win32.h"
#include "shell/compose.h"
#include "shell/config.h"
#include "shell/interlude.h"
#include "shell/interlude_win32.h"
#include "shell/render_meter.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

int32_t overlayMode;

namespace {

struct OverlayFont {
  HFONT font;
  uint32_t height;
};

GdiSurface g_surface;
OverlayFont g_font;
PresentRateMeter g_rateMeter;
int64_t g_counterFrequency;
SharedFrame g_frame;  // the painter's private copy of the published frame

// Test hooks, read from the environment once: VRINX_TEST_OVERLAY=1 shows the overlay
// from the start; VRINX_TEST_FRAME=path with VRINX_TEST_FRAME_AT=n keeps the n-th
// published frame on screen from then on and writes it (header, palette, pixels) to path;
// VRINX_TEST_CRT_SHADER=path gives the CRT pipeline that container instead of its own;
// VRINX_TEST_CRT_THREADS=n runs the CPU's CRT passes (recordings) on n threads.
struct TestHooks {
  int read;
  const wchar_t* framePath;  // wide, as every path the program opens
  uint32_t holdAt, copies, holding;
};
TestHooks g_test;

void read_test_hooks() {
  if (g_test.read) return;
  g_test.read = 1;
  const char* overlay = getenv("VRINX_TEST_OVERLAY");
  if (overlay && *overlay == '1') overlayMode = 1;
  g_test.framePath = _wgetenv(L"VRINX_TEST_FRAME");
  const char* at = getenv("VRINX_TEST_FRAME_AT");
  g_test.holdAt = at ? uint32_t(strtoul(at, nullptr, 10)) : 70;
  if (const char* threads = getenv("VRINX_TEST_CRT_THREADS"))
    worker_pool_set_threads(uint32_t(strtoul(threads, nullptr, 10)));
  const wchar_t* shader = _wgetenv(L"VRINX_TEST_CRT_SHADER");
  HANDLE file = shader
                    ? CreateFileW(shader, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                    : INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return;
  static uint8_t blob[1 << 16];
  DWORD size = 0;
  if (ReadFile(file, blob, sizeof blob, &size, nullptr) && size > 0) crt_gpu_use_shader(blob, size);
  CloseHandle(file);
}

void hold_test_frame() {
  if (!g_test.framePath || g_test.holding || g_frame.lineCount == 0 || ++g_test.copies < g_test.holdAt)
    return;
  g_test.holding = 1;
  HANDLE file =
      CreateFileW(g_test.framePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, &g_frame, sizeof g_frame.description + kFramePixels, &written, nullptr);
  CloseHandle(file);
}

bool ensure_surface(HDC windowDC, int width, int height) {
  if (g_surface.dc && g_surface.width == uint32_t(width) && g_surface.height == uint32_t(height)) return true;
  ReleaseSurface();
  return gdi_surface_create(windowDC, uint32_t(width), uint32_t(height), &g_surface);
}

void draw_overlay(int w, int h) {
  const CrtSettings& s = g_settings;
  OverlayState state;
  state.paused = g_shell.paused;
  state.rateValid = g_rateMeter.valid;
  state.fps10 = g_rateMeter.fps10;
  state.ms10 = g_rateMeter.ms10;
  state.syncText = SyncStatusText();
  state.workValid = g_renderMeter.resultValid;
  state.workMicroseconds = g_renderMeter.microsecondsPerFrame;
  state.rendererText = RendererStatusText();
  state.crtText = CrtStatusText(compose_crt_pass_in_use(s));
  static const char* loggedCrtText;
  if (state.crtText != loggedCrtText) test_log("overlay line 4: %s", loggedCrtText = state.crtText);
  OverlayText text;
  overlay_build_text(state, s, &text);
  int n = text.listCount;

  uint32_t d = overlay_font_height(uint32_t(w), uint32_t(h), uint32_t(n), uint32_t(strlen(text.line[0])));
  if (!g_font.font || g_font.height != d) {
    DeleteOverlayFont();
    g_font.font =
        CreateFontA(-int(d), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, "Consolas");
    g_font.height = d;
  }
  HDC dc = g_surface.dc;
  int saved = SaveDC(dc);
  SelectObject(dc, g_font.font ? static_cast<HGDIOBJ>(g_font.font) : GetStockObject(ANSI_FIXED_FONT));
  SetTextAlign(dc, TA_TOP | TA_LEFT);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkColor(dc, RGB(16, 16, 16));
  SetBkMode(dc, OPAQUE);

  int heights[4];
  int widest = 0, listHeight = 0;
  SIZE size;
  for (int i = 0; i < 4 + n; i++) {
    const char* line = i < 4 ? text.line[i] : text.list[i - 4];
    if (!GetTextExtentPoint32A(dc, line, int(strlen(line)), &size)) {
      RestoreDC(dc, saved);
      return;
    }
    if (i < 4)
      heights[i] = size.cy;
    else
      listHeight = size.cy;
    if (size.cx > widest) widest = size.cx;
  }
  OverlayLayout o = overlay_place(w, h, heights, listHeight, n, widest);
  RECT box = {o.left, o.top, o.right, o.bottom};
  ExtTextOutA(dc, o.textX, o.lineY[0], ETO_OPAQUE | ETO_CLIPPED, &box, text.line[0],
              UINT(strlen(text.line[0])), nullptr);
  for (int i = 1; i < 4; i++)
    ExtTextOutA(dc, o.textX, o.lineY[i], ETO_CLIPPED, &box, text.line[i], UINT(strlen(text.line[i])),
                nullptr);
  for (int i = 0; i < n; i++)
    ExtTextOutA(dc, o.textX, o.listY + i * o.listStep, ETO_CLIPPED, &box, text.list[i],
                UINT(strlen(text.list[i])), nullptr);
  RestoreDC(dc, saved);
}

// The recorded picture, scaled onto the whole client area.
void show_record_preview(HDC windowDC, int width, int height) {
  RECT client;
  GetClientRect(g_window, &client);
  int saved = SaveDC(windowDC);
  SetStretchBltMode(windowDC, HALFTONE);
  SetBrushOrgEx(windowDC, 0, 0, nullptr);
  StretchBlt(windowDC, 0, 0, client.right, client.bottom, g_surface.dc, 0, 0, width, height, SRCCOPY);
  RestoreDC(windowDC, saved);
}

void feed_present_rate_meter() {
  if (!g_counterFrequency) g_counterFrequency = clock_counter_frequency();
  present_rate_feed(&g_rateMeter, g_shell.paused, clock_counter(), g_counterFrequency);
}

}  // namespace

void Paint(HDC windowDC) {
  // While recording only the recorder's own paint requests draw.
  if (g_record.recording && !g_record.paintPending) return;
  read_test_hooks();
  // The source: the interlude's text-mode picture, or the last published demo frame.
  const BITMAPINFO* info;
  const uint8_t* pixels;
  int sourceWidth, lines;
  if (g_shell.dosPromptActive) {
    interlude_source(&info, &pixels);
    sourceWidth = kInterludeWidth;
    lines = kInterludeHeight;
  } else {
    if (!g_test.holding) {
      EnterCriticalSection(&frameLock);
      uint32_t count = g_sharedFrame.lineCount <= kFrameHeight ? g_sharedFrame.lineCount : kFrameHeight;
      memcpy(&g_frame.description, &g_sharedFrame.description, sizeof g_frame.description);
      memcpy(g_frame.pixels, g_sharedFrame.pixels, count * kFrameWidth);
      g_frame.lineCount = count;
      LeaveCriticalSection(&frameLock);
      hold_test_frame();
    }
    info = reinterpret_cast<const BITMAPINFO*>(&g_frame.description);
    pixels = g_frame.pixels;
    sourceWidth = kFrameWidth;
    lines = int(g_frame.lineCount);
  }
  if (lines == 0) return;

  RECT client;
  GetClientRect(g_window, &client);
  int w = client.right, h = client.bottom;
  if (g_record.recording) {
    w = int(g_record.width);
    h = int(g_record.height);
  }
  if (w <= 0 || h <= 0 || !ensure_surface(windowDC, w, h)) return;
  RECT all = {0, 0, w, h};
  FillRect(g_surface.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  const CrtSettings& s = g_settings;
  ComposeRect d = compose_destination(sourceWidth, lines, w, h, g_shell.fullscreenActive, int(s.StretchToFit),
                                      int(s.AspectRatio4x3));
  int result;
  if (compose_crt_pass_in_use(s)) {
    // The CRT picture comes out at the destination size and is drawn 1:1.
    const uint8_t* palette = reinterpret_cast<const uint8_t*>(info->bmiColors);
    if (!CrtProcessFrame(pixels, palette, uint32_t(sourceWidth), uint32_t(lines), uint32_t(sourceWidth),
                         uint32_t(d.width), uint32_t(d.height), g_shell.paused, g_shell.runCount))
      return;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = d.width;
    header.biHeight = -d.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    SetStretchBltMode(g_surface.dc, COLORONCOLOR);
    result =
        StretchDIBits(g_surface.dc, d.x, d.y, d.width, d.height, 0, 0, d.width, d.height, CrtOutputPicture(),
                      reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, SRCCOPY);
  } else {
    SetStretchBltMode(g_surface.dc, COLORONCOLOR);
    result = StretchDIBits(g_surface.dc, d.x, d.y, d.width, d.height, 0, 0, sourceWidth, lines, pixels, info,
                           DIB_RGB_COLORS, SRCCOPY);
  }
  if (result == 0 || result == int(GDI_ERROR)) return;
  if (g_record.recording) {
    avi_capture_frame(g_surface.dc, uint32_t(w), uint32_t(h));
    show_record_preview(windowDC, w, h);
    return;
  }

  if (overlayMode == 1 && w >= kOverlayMinSize && h >= kOverlayMinSize) draw_overlay(w, h);
  if (PresentFrame(g_window, windowDC, g_surface.dc, g_surface.bitmap, uint32_t(w), uint32_t(h), s.VSync,
                   s.VRR) &&
      overlayMode == 1)
    feed_present_rate_meter();
}

uint32_t crt_clock_ms() { return shell_clock_ms(); }

void compose_copy_surface(HDC target) {
  if (g_surface.dc)
    BitBlt(target, 0, 0, int(g_surface.width), int(g_surface.height), g_surface.dc, 0, 0, SRCCOPY);
}

void compose_print_surface(HWND window, HDC target, UINT flags) {
  PrintClient(window, target, g_surface.dc, g_surface.width, g_surface.height, flags);
}

void ReleaseSurface() { gdi_surface_release(&g_surface); }

void DeleteOverlayFont() {
  if (g_font.font) DeleteObject(g_font.font);
  g_font = OverlayFont{};
}

void ResetPresentRateMeter() { present_rate_reset(&g_rateMeter); }
