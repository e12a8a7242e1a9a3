// The demo window's procedure.
#include <windows.h>

#include <cstring>

#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

namespace {

// Copies the published frame out under frameLock and stretches it over the client area.
void paint(HWND window) {
  static SharedFrame frame;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  EnterCriticalSection(&frameLock);
  std::memcpy(&frame, &g_sharedFrame, sizeof frame);
  LeaveCriticalSection(&frameLock);
  RECT client;
  GetClientRect(window, &client);
  if (frame.lineCount) {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, kFrameWidth, kFrameHeight,
                  frame.pixels, reinterpret_cast<const BITMAPINFO*>(&frame.description),
                  DIB_RGB_COLORS, SRCCOPY);
  } else {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  EndPaint(window, &ps);
}

void request_quit() {
  g_shell.stopDemo = 1;
  g_shell.quitRequested = 1;
  if (!g_shell.demoThread) PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK shell_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      request_quit();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        if (g_shell.demoThread) g_shell.stopDemo = 1;
        else PostQuitMessage(0);
        return 0;
      }
      break;
    case WM_APP_DEMO_EXITED:
      EndMenu();
      return 0;
    case WM_APP_DEMO_FINISHED:
      // The run is over; with no interlude to show, the program ends here.
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
