#include "shell/interlude_win32.h"

#include "base/test_log_win32.h"
#include "shell/config.h"
#include "shell/interlude.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

namespace {

struct InterludeBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

InterludeBitmapInfo g_info;
HBITMAP g_bitmap;
InterludeState g_interlude;

}  // namespace

bool StartInterlude() {
  interlude_delete_bitmap();
  g_info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                   kInterludeWidth,
                                   -kInterludeHeight,
                                   1,
                                   8,
                                   BI_RGB,
                                   kInterludePixels,
                                   0,
                                   0,
                                   256,
                                   256};
  interlude_palette(reinterpret_cast<uint8_t*>(g_info.colours));
  void* bits = nullptr;
  g_bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&g_info), DIB_RGB_COLORS, &bits,
                              nullptr, 0);
  if (!g_bitmap || !bits) {
    interlude_delete_bitmap();
    return false;
  }
  interlude_begin(&g_interlude, static_cast<uint8_t*>(bits), shell_clock_ms());
  return true;
}

int interlude_tick() {
  uint32_t typed = g_interlude.typedCount;
  int step = StepInterlude(&g_interlude, shell_clock_ms(), int(g_settings.loopDemo), g_shell.stopDemo);
  if (g_interlude.typedCount != typed) test_log("typed %u", g_interlude.typedCount);
  return step;
}

void interlude_source(const BITMAPINFO** info, const uint8_t** pixels) {
  UpdateCursor(&g_interlude, shell_clock_ms());
  *info = reinterpret_cast<const BITMAPINFO*>(&g_info);
  *pixels = g_interlude.pixels;
}

void interlude_delete_bitmap() {
  if (g_bitmap) DeleteObject(g_bitmap);
  g_bitmap = nullptr;
  g_interlude.pixels = nullptr;
}
