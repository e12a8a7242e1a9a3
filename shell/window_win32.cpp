// The demo window's procedure: the cursor pre-filter first, then the application
// messages of a run's end, the interlude's timer, the menu and keys, and painting.
#include <windows.h>

#include "audio/audio_output.h"
#include "base/test_log_win32.h"
#include "gpu/crt_frame.h"
#include "record/record_mode.h"
#include "shell/compose_win32.h"
#include "shell/cursor_win32.h"
#include "shell/interlude.h"
#include "shell/interlude_win32.h"
#include "shell/keep_awake_win32.h"
#include "shell/menu_win32.h"
#include "shell/pacing.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

namespace {

// The quit message from the interlude's side. A context menu open at that moment is
// ended first: its own message loop would otherwise take the quit message, and the
// program would stay on the prompt until the menu is closed.
void quit_program() {
  EndMenu();
  PostQuitMessage(0);
}

// WM_APP_DEMO_FINISHED: a run ended without a quit request; the interlude follows
// (while recording, after the video has caught up with the song's end).
void demo_finished(HWND window) {
  EndMenu();
  if (g_shell.quitRequested || g_shell.exitCode || record_failed()) {
    PostQuitMessage(0);
    return;
  }
  record_fill_to_song_end(window);
  audio_stop();
  if (!StartInterlude()) {
    g_shell.exitCode = 1;
    if (g_record.recording) record_set_failed();
    PostQuitMessage(0);
    return;
  }
  test_log("interlude started");
  g_shell.dosPromptActive = 1;
  g_shell.paused = 0;
  keep_awake_enter(kShowInterlude);
  CrtResetPersistence();
  if (g_record.recording) {
    PostMessageA(window, WM_APP_RECORD_STEP, 0, 0);
    return;
  }
  SetTimer(window, kInterludeTimer, kInterludeTimerMs, nullptr);
  InvalidateRect(window, nullptr, FALSE);
}

// WM_APP_RECORD_STEP: one frame of the recorded interlude, then the next step or the end.
void record_step(HWND window) {
  if (g_shell.stopDemo || record_failed() || !record_tail_step(window))
    quit_program();
  else
    PostMessageA(window, WM_APP_RECORD_STEP, 0, 0);
}

// While recording only Escape acts; it ends the recording early. In the interlude's tail
// stopDemo also ends the steps, which re-post themselves ahead of the quit message.
void record_key(WPARAM virtualKey) {
  if (virtualKey != VK_ESCAPE) return;
  g_shell.stopDemo = 1;
  g_shell.quitRequested = 1;
  if (g_shell.dosPromptActive) quit_program();
}

// A new run from the interlude: the flags of the last one cleared, the run counted.
void restart_demo(HWND window) {
  KillTimer(window, kInterludeTimer);
  g_shell.demoThread = 0;
  g_shell.dosPromptActive = 0;
  interlude_delete_bitmap();
  g_shell.stopDemo = 0;
  g_shell.quitRequested = 0;
  g_shell.paused = 0;
  g_pacing.musicPosition = 0;
  g_shell.runCount = g_shell.runCount + 1;
  CrtResetPersistence();
  test_log("run %d started", g_shell.runCount);
  keep_awake_enter(kShowRun);
  if (!shell_start_demo_thread()) {
    g_shell.exitCode = 1;
    quit_program();
  }
}

void interlude_timer(HWND window) {
  int step = interlude_tick();
  if (step == kInterludeQuit) {
    test_log("interlude over");
    quit_program();
  } else if (step == kInterludeRestart) {
    restart_demo(window);
  }
  InvalidateRect(window, nullptr, FALSE);
}

void paint(HWND window, WPARAM wParam) {
  if (wParam) {
    compose_copy_surface(reinterpret_cast<HDC>(wParam));
    return;
  }
  PAINTSTRUCT ps;
  Paint(BeginPaint(window, &ps));
  EndPaint(window, &ps);
  cursor_check_idle(window);
}

}  // namespace

LRESULT CALLBACK shell_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (cursor_filter(window, message, wParam, lParam)) return TRUE;
  switch (message) {
    case WM_APP_RECORD_PAINT: {
      g_record.paintPending = true;
      HDC dc = GetDC(window);
      Paint(dc);
      ReleaseDC(window, dc);
      g_record.paintPending = false;
      return 0;
    }
    case WM_CLOSE:
      g_shell.quitRequested = 1;
      g_shell.stopDemo = 1;
      if (g_shell.dosPromptActive) quit_program();
      return 0;
    case WM_APP_DEMO_EXITED:
      EndMenu();
      return 0;
    case WM_APP_DEMO_FINISHED:
      demo_finished(window);
      return 0;
    case WM_APP_RECORD_STEP:
      if (g_record.recording && g_shell.dosPromptActive) record_step(window);
      return 0;
    case WM_TIMER:
      if (wParam == kInterludeTimer && g_shell.dosPromptActive) {
        interlude_timer(window);
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if (keep_awake_refuses(wParam)) return 0;
      break;
    case WM_COMMAND:
      if (!g_record.recording) menu_run_command(window, LOWORD(wParam));
      return 0;
    case WM_CONTEXTMENU:
      if (!g_record.recording) menu_open(window, lParam);
      return 0;
    case WM_KEYDOWN:
      if (lParam & (1 << 30)) return 0;  // auto-repeats are ignored
      if (g_record.recording)
        record_key(wParam);
      else
        menu_key(window, wParam);
      return 0;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI: Windows' suggested rectangle keeps the client
      // area's share of the screen. Full screen covers its monitor as it is.
      if (!g_shell.fullscreenActive) {
        const RECT& r = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    case WM_DISPLAYCHANGE:
      ReleaseSurface();
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINT:
      compose_print_surface(window, reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam));
      return 0;
    case WM_PRINTCLIENT:
      compose_copy_surface(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PAINT:
      paint(window, wParam);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
