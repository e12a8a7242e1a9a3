// The recorder's platform side: message boxes, the synchronous paint request, the capture
// surface, and the file layer (CreateFileW with CREATE_NEW and no sharing, so that a
// leftover ".partial" file is never opened twice or emptied).
#include "record/record_win32.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "base/gdi_surface_win32.h"
#include "record/record_hooks.h"
#include "record/record_mode.h"

namespace {

constexpr char kCaption[] = "Vrinx recording";
constexpr size_t kStreamBuffer = 1048576;

GdiSurface g_capture;  // made at the recording's size on its first frame

bool ensure_capture(HDC source, uint32_t width, uint32_t height) {
  return g_capture.dc || gdi_surface_create(source, width, height, &g_capture);
}

// The writer's names are UTF-8 and go to the wide calls, like the folder they are relative to.
// A UTF-8 name has no more UTF-16 units than bytes.
constexpr int kNameUnits = sizeof(AviWriter::partialName);

bool widen(const char* name, wchar_t (&out)[kNameUnits]) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, out, kNameUnits) > 0;
}

void* win32_create_new(const char* name, int* exists) {
  *exists = 0;
  wchar_t wide[kNameUnits];
  if (!widen(name, wide)) return nullptr;
  HANDLE file =
      CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    *exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return nullptr;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    return nullptr;
  }
  FILE* stream = _fdopen(fd, "w+b");
  if (!stream) {
    _close(fd);
    return nullptr;
  }
  if (setvbuf(stream, nullptr, _IOFBF, kStreamBuffer) != 0) {
    fclose(stream);
    return nullptr;
  }
  return stream;
}

int win32_file_exists(const char* name) {
  wchar_t wide[kNameUnits];
  return widen(name, wide) && GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

int win32_move(const char* from, const char* to) {
  wchar_t wideFrom[kNameUnits], wideTo[kNameUnits];
  return widen(from, wideFrom) && widen(to, wideTo) && MoveFileW(wideFrom, wideTo) != 0;
}

// The stream operations are the C runtime's; only creating, probing and moving differ.
AviFileOps win32_file_ops() {
  AviFileOps ops = kAviStdioFile;
  ops.create_new = win32_create_new;
  ops.file_exists = win32_file_exists;
  ops.move = win32_move;
  return ops;
}

}  // namespace

void record_show_usage() {
  MessageBoxA(nullptr,
              "Usage: Vrinx.exe /record <fps> <width> <height>\nExample: /record 70 640 480\n"
              "FPS: 1-240. Width and height: 16-8192 pixels.",
              kCaption, MB_OK | MB_ICONERROR);
}

void record_request_paint(void* window) {
  SendMessageA(static_cast<HWND>(window), WM_APP_RECORD_PAINT, 0, 0);
}

void record_post_close(void* window) { PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0); }

void record_show_failure(void* window) {
  MessageBoxA(static_cast<HWND>(window),
              "Recording failed (file write, rendering, or size limit).\n"
              "Any partial output has been kept with a .partial suffix.",
              kCaption, MB_OK | MB_ICONERROR);
}

void record_release_capture() { gdi_surface_release(&g_capture); }

const AviFileOps* record_file_ops() {
  static const AviFileOps ops = win32_file_ops();
  return &ops;
}

void avi_capture_frame(HDC source, uint32_t width, uint32_t height) {
  AviWriter& w = g_record.writer;
  if (w.failed) return;
  if (width != w.width || height != w.height || !ensure_capture(source, width, height) ||
      !BitBlt(g_capture.dc, 0, 0, int(width), int(height), source, 0, 0, SRCCOPY) || !GdiFlush()) {
    w.failed = true;
    return;
  }
  avi_write_frame(w, g_capture.pixels, width, height);
}
