#include "shell/cursor_win32.h"

#include "base/test_log_win32.h"
#include "shell/cursor_idle.h"
#include "shell/shell_flags.h"

namespace {

constexpr UINT kCursorTimerMs = 200;

struct CursorHide {
  DWORD lastActivity;  // GetTickCount
  POINT position;      // screen position at the last activity
  int hidden;
  int menuDepth;
  HCURSOR arrow;
};

CursorHide g_cursor;

void activity() {
  g_cursor.lastActivity = GetTickCount();
  GetCursorPos(&g_cursor.position);
  if (g_cursor.hidden) {
    g_cursor.hidden = 0;
    SetCursor(g_cursor.arrow);
    test_log("cursor shown");
  }
}

bool cursor_in_client(HWND window, POINT at) {
  RECT client;
  if (!GetClientRect(window, &client)) return false;
  ScreenToClient(window, &at);
  return PtInRect(&client, at) != 0;
}

}  // namespace

void cursor_check_idle(HWND window) {
  CursorScene scene = {};
  scene.fullscreen = g_shell.fullscreenActive;
  scene.menuOpen = g_cursor.menuDepth > 0;
  scene.foreground = GetForegroundWindow() == window;
  scene.inClient = 1;
  scene.nowMs = GetTickCount();
  scene.lastActivityMs = g_cursor.lastActivity;
  scene.hidden = g_cursor.hidden;
  if (scene.fullscreen && !scene.menuOpen && scene.foreground) {
    POINT now;
    if (!GetCursorPos(&now)) return;
    scene.moved = now.x != g_cursor.position.x || now.y != g_cursor.position.y;
    scene.inClient = cursor_in_client(window, now);
  }
  CursorLook look = cursor_look(scene);
  if (look == kCursorActivity) {
    activity();
  } else if (look == kCursorHide) {
    g_cursor.hidden = 1;
    SetCursor(nullptr);
    test_log("cursor hidden");
  }
}

void cursor_start(HWND window) {
  g_cursor.arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  g_cursor.menuDepth = 0;
  activity();
  SetTimer(window, kCursorTimer, kCursorTimerMs, nullptr);
}

void cursor_stop(HWND window) {
  KillTimer(window, kCursorTimer);
  activity();
}

bool cursor_filter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ENTERMENULOOP:
      g_cursor.menuDepth++;
      activity();
      break;
    case WM_EXITMENULOOP:
      if (g_cursor.menuDepth > 0) g_cursor.menuDepth--;
      activity();
      break;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      activity();
      break;
    case WM_MOUSEMOVE:
      cursor_check_idle(window);
      break;
    case WM_TIMER:
      if (wParam == kCursorTimer) cursor_check_idle(window);
      break;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT &&
          cursor_blank(g_shell.fullscreenActive, g_cursor.hidden, g_cursor.menuDepth > 0)) {
        SetCursor(nullptr);
        return true;
      }
      break;
  }
  return false;
}
