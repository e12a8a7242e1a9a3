// Cursor auto-hide, apart from the window: what a look at the resting cursor concludes
// (timer 17234, a mouse move, a paint), and whether WM_SETCURSOR keeps it blank.
// cursor_win32.cpp gathers the scene and carries the answer out.
#pragma once
#include <cstdint>

constexpr uint32_t kCursorHideAfterMs = 3000;

enum CursorLook : int {
  kCursorActivity,  // counts as activity: the time and position are taken anew, the cursor shown
  kCursorWait,      // nothing changes
  kCursorHide,      // the cursor disappears
};

struct CursorScene {
  int fullscreen, menuOpen, foreground;
  int moved, inClient;             // the cursor against its position at the last activity
  uint32_t nowMs, lastActivityMs;  // tick counts, which wrap after 49.7 days
  int hidden;
};

// moved and inClient are read only in full screen, with no menu open, in the foreground.
CursorLook cursor_look(const CursorScene& scene);
// WM_SETCURSOR over the client area: the cursor stays blank (never while a menu is open).
bool cursor_blank(int fullscreen, int hidden, int menuOpen);
