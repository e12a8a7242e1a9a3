// The demo window's procedure.
#include <windows.h>

#include "shell/compose_win32.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

namespace {

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
    case WM_DISPLAYCHANGE:
      ReleaseSurface();
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_PRINT:
      PrintSurface(window, reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam));
      return 0;
    case WM_PRINTCLIENT:
      CopySurfaceTo(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PAINT:
      if (wParam) {
        CopySurfaceTo(reinterpret_cast<HDC>(wParam));
      } else {
        PAINTSTRUCT ps;
        Paint(BeginPaint(window, &ps));
        EndPaint(window, &ps);
      }
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
