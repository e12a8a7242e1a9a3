#include "shell/cursor_idle.h"

CursorLook cursor_look(const CursorScene& s) {
  if (!s.fullscreen || s.menuOpen || !s.foreground || s.moved || !s.inClient) return kCursorActivity;
  bool idle = s.nowMs - s.lastActivityMs >= kCursorHideAfterMs;  // unsigned: right across the wrap
  return idle && !s.hidden ? kCursorHide : kCursorWait;
}

bool cursor_blank(int fullscreen, int hidden, int menuOpen) { return fullscreen && hidden && !menuOpen; }
