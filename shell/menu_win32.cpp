#include "shell/menu_win32.h"

#include "audio/audio_output.h"
#include "base/test_log_win32.h"
#include "gpu/crt_frame.h"
#include "shell/compose_win32.h"
#include "shell/config.h"
#include "shell/fullscreen_win32.h"
#include "shell/keep_awake_win32.h"
#include "shell/menu.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"
#include "shell/window_size_win32.h"

namespace {

constexpr int kKeyboardMenuX = 30;
constexpr int kKeyboardMenuY = 50;

void apply_size(HWND window, int scale) {
  if (g_shell.fullscreenActive) return;
  int width, height;
  menu_client_size(scale, g_settings.AspectRatio4x3, int(window_dpi(window)), &width, &height);
  window_set_client_size(window, width, height);
}

void apply_volume() { audio_set_volume(menu_volume_level(g_settings)); }

void toggle_aspect(HWND window) {
  g_settings.AspectRatio4x3 ^= 1;
  if (g_shell.fullscreenActive) return;
  RECT client;
  GetClientRect(window, &client);
  // The widths of single and double size do not depend on the aspect.
  int single, doubled, height, dpi = int(window_dpi(window));
  menu_client_size(1, 0, dpi, &single, &height);
  menu_client_size(2, 0, dpi, &doubled, &height);
  if (client.right == single)
    apply_size(window, 1);
  else if (client.right == doubled)
    apply_size(window, 2);
}

void toggle_always_on_top(HWND window) {
  if (g_shell.fullscreenLocked) return;
  g_settings.alwaysOnTop ^= 1;
  SetWindowPos(window, g_settings.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void carry_out(HWND window, uint32_t id) {
  if (const FilterCommand* f = menu_filter_command(id)) {
    g_settings.*f->field ^= 1;
    if (f->resetsPersistence) CrtResetPersistence();
    return;
  }
  switch (id) {
    case kCommandSingleSize:
      apply_size(window, 1);
      break;
    case kCommandDoubleSize:
      apply_size(window, 2);
      break;
    case kCommandMute:
      g_settings.muted ^= 1;
      apply_volume();
      break;
    case kCommandAspect:
      toggle_aspect(window);
      break;
    case kCommandPause:
      g_shell.paused ^= 1;
      break;
    case kCommandAlwaysOnTop:
      toggle_always_on_top(window);
      break;
    case kCommandVolumeUp:
      menu_step_volume(&g_settings, 5);
      apply_volume();
      break;
    case kCommandVolumeDown:
      menu_step_volume(&g_settings, -5);
      apply_volume();
      break;
    case kCommandFullscreen:
      ToggleFullscreen();
      break;
    case kCommandPerformance:
      overlayMode ^= 1;
      ResetPresentRateMeter();
      break;
  }
}

}  // namespace

void menu_refresh(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  MenuView view{g_shell.fullscreenActive, g_shell.fullscreenLocked, g_shell.paused,         overlayMode,
                int(client.right),        int(client.bottom),       int(window_dpi(window))};
  MenuItemState items[kMenuItemCount];
  menu_state(g_settings, view, items);
  // The text first: replacing an item resets its check mark and grayed state.
  ModifyMenuA(g_contextMenu, kCommandPerformance, MF_BYCOMMAND | MF_STRING, kCommandPerformance,
              menu_performance_text(overlayMode));
  char checked[kMenuItemCount * 6 + 1] = "", grayed[kMenuItemCount * 6 + 1] = "";
  for (const MenuItemState& item : items) {
    CheckMenuItem(g_contextMenu, item.id, MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(g_contextMenu, item.id, MF_BYCOMMAND | (item.grayed ? MF_GRAYED : MF_ENABLED));
    if (item.checked) wsprintfA(checked + lstrlenA(checked), " %u", item.id);
    if (item.grayed) wsprintfA(grayed + lstrlenA(grayed), " %u", item.id);
  }
  test_log("menu checked:%s grayed:%s volume %u", checked, grayed, menu_volume_level(g_settings));
}

void menu_run_command(HWND window, uint32_t id) {
  carry_out(window, id);
  keep_awake_refresh();
  menu_refresh(window);
  InvalidateRect(window, nullptr, FALSE);
}

void menu_open(HWND window, LPARAM lParam) {
  POINT at;
  if (lParam == -1) {
    RECT r;
    GetWindowRect(window, &r);
    at = POINT{r.left + kKeyboardMenuX, r.top + kKeyboardMenuY};
  } else {
    GetCursorPos(&at);
  }
  menu_refresh(window);
  UINT id =
      UINT(TrackPopupMenu(g_contextMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr));
  if (id) menu_run_command(window, id);
}

void menu_key(HWND window, WPARAM virtualKey) {
  uint32_t action = menu_key_action(uint32_t(virtualKey));
  if (action == kKeyStop) {
    g_shell.stopDemo = 1;
    if (g_shell.dosPromptActive) PostQuitMessage(0);
  } else if (action == kKeyCrtFilters) {
    g_settings.crtFiltersEnabled ^= 1;
    CrtResetPersistence();
    InvalidateRect(window, nullptr, FALSE);
  } else if (action) {
    menu_run_command(window, action);
  }
}
