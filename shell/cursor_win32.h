// Cursor auto-hide: in full screen the cursor disappears 3 s after the last mouse
// activity inside the client area, never while a menu is open. A pre-filter that the
// window procedure runs for every message; timer 17234 looks every 200 ms.
#pragma once
#include <windows.h>

constexpr UINT_PTR kCursorTimer = 17234;

void cursor_start(HWND window);
// Kills the timer and shows the cursor again.
void cursor_stop(HWND window);
// True when the message is answered (WM_SETCURSOR while hidden); the procedure returns TRUE.
bool cursor_filter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The timer tick's idle check, also run after a WM_PAINT.
void cursor_check_idle(HWND window);
