#include "shell/fullscreen_win32.h"

#include <windows.h>

#include <cstdlib>

#include "base/test_log_win32.h"
#include "shell/config.h"
#include "shell/display_modes_win32.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

namespace {

constexpr char kModeFailed[] =
    "Windows could not activate the selected display mode. The demo will remain windowed.";

struct FullscreenState {
  RECT savedRect;
  LONG savedStyle;
  int modeChanged;
  DEVMODEA mode;
  MONITORINFOEXA monitor;
};

FullscreenState g_full;

// Test hook: VRINX_TEST_MODE=WxH asks for that size instead of the chosen mode (a size
// the display lacks shows the refusal).
void test_display_mode(DisplayMode* mode) {
  char text[32];
  DWORD n = GetEnvironmentVariableA("VRINX_TEST_MODE", text, sizeof text);
  if (n == 0 || n >= sizeof text) return;
  char* x = nullptr;
  mode->width = strtoul(text, &x, 10);
  mode->height = *x == 'x' ? strtoul(x + 1, nullptr, 10) : 0;
}

bool read_current_mode() {
  g_full.mode = DEVMODEA{};
  g_full.mode.dmSize = sizeof(DEVMODEA);
  return EnumDisplaySettingsA(g_full.monitor.szDevice, ENUM_CURRENT_SETTINGS, &g_full.mode) != 0;
}

// The monitor the setup dialog stood on when full screen was chosen there, else the
// monitor nearest to the window.
bool find_monitor() {
  if (g_displayModesMonitor && g_settings.fullscreenRequested) {
    g_full.monitor = g_displayModesMonitorInfo;
    return true;
  }
  HMONITOR monitor = MonitorFromWindow(g_window, MONITOR_DEFAULTTONEAREST);
  g_full.monitor = MONITORINFOEXA{};
  g_full.monitor.cbSize = sizeof(MONITORINFOEXA);
  return monitor && GetMonitorInfoA(monitor, &g_full.monitor);
}

bool switch_mode() {
  bool found = find_monitor();
  if (found && g_settings.fullscreenRequested) {
    g_full.mode = DEVMODEA{};
    g_full.mode.dmSize = sizeof(DEVMODEA);
    g_full.mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
    DisplayMode m = g_settings.selectedMode;
    test_display_mode(&m);
    g_full.mode.dmPelsWidth = m.width;
    g_full.mode.dmPelsHeight = m.height;
    g_full.mode.dmBitsPerPel = m.bitsPerPixel;
    g_full.mode.dmDisplayFrequency = m.refreshRate;
    LONG result =
        ChangeDisplaySettingsExA(g_full.monitor.szDevice, &g_full.mode, nullptr, CDS_FULLSCREEN, nullptr);
    test_log("display mode %ux%u: %ld", m.width, m.height, result);
    if (result == DISP_CHANGE_SUCCESSFUL) {
      g_full.modeChanged = 1;
      if (read_current_mode()) return true;
      RestoreDisplayMode();
    }
  } else if (found && read_current_mode()) {
    return true;
  }
  MessageBoxA(g_window, kModeFailed, kProgramTitle, MB_OK | MB_ICONERROR);
  return false;
}

}  // namespace

void ToggleFullscreen() {
  if (g_shell.fullscreenLocked) return;
  if (g_shell.fullscreenActive) {
    RestoreDisplayMode();
    g_shell.fullscreenActive = 0;
    SetWindowLongA(g_window, GWL_STYLE, g_full.savedStyle);
    const RECT& r = g_full.savedRect;
    SetWindowPos(g_window, g_settings.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, r.left, r.top,
                 r.right - r.left, r.bottom - r.top, SWP_FRAMECHANGED);
    return;
  }
  GetWindowRect(g_window, &g_full.savedRect);
  g_full.savedStyle = GetWindowLongA(g_window, GWL_STYLE);
  if (!switch_mode()) return;
  g_shell.fullscreenActive = 1;
  SetWindowLongA(g_window, GWL_STYLE, WS_POPUP | WS_VISIBLE);
  SetWindowPos(g_window, HWND_TOP, g_full.mode.dmPosition.x, g_full.mode.dmPosition.y,
               int(g_full.mode.dmPelsWidth), int(g_full.mode.dmPelsHeight), SWP_FRAMECHANGED);
}

void RestoreDisplayMode() {
  if (!g_full.modeChanged) return;
  LONG result = ChangeDisplaySettingsExA(g_full.monitor.szDevice, nullptr, nullptr, 0, nullptr);
  test_log("display mode restored: %ld", result);
  g_full.modeChanged = 0;
}
