#include "shell/window_size_win32.h"

#include "base/system_library_win32.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// Looked up at run time: older Windows lack both, and a static import would stop the start there.
template <typename Function>
Function user32_function(const char* name) {
  return library_function<Function>(GetModuleHandleA("user32.dll"), name);
}

}  // namespace

UINT window_dpi(HWND window) {
  static const auto forWindow = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
  if (forWindow) {
    if (UINT dpi = forWindow(window)) return dpi;
  }
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void window_set_client_size(HWND window, int width, int height) {
  static const auto adjustForDpi = user32_function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT r = {0, 0, width, height};
  DWORD style = DWORD(GetWindowLongA(window, GWL_STYLE));
  // The frame as the window's monitor draws it, whose DPI may differ from the system's.
  if (adjustForDpi)
    adjustForDpi(&r, style, FALSE, 0, window_dpi(window));
  else
    AdjustWindowRect(&r, style, FALSE);
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
