#include "shell/display_modes_win32.h"

#include "shell/config.h"

DisplayModeList g_displayModes;
HMONITOR g_displayModesMonitor;
MONITORINFOEXA g_displayModesMonitorInfo;

namespace {

DisplayMode mode_of(const DEVMODEA& m) {
  return DisplayMode{m.dmPelsWidth, m.dmPelsHeight, m.dmBitsPerPel, m.dmDisplayFrequency};
}

}  // namespace

void display_modes_enumerate() {
  DisplayModeList& list = g_displayModes;
  list.count = 0;
  const char* device = g_displayModesMonitorInfo.szDevice[0] ? g_displayModesMonitorInfo.szDevice : nullptr;
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsA(device, ENUM_CURRENT_SETTINGS, &mode)) {
    g_settings.selectedMode = mode_of(mode);
    display_modes_add_current(&list, g_settings.selectedMode);
  }
  for (DWORD i = 0;; i++) {
    mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(device, i, &mode) || !display_modes_offer(&list, mode_of(mode))) break;
  }
}

int PrepareDisplayModes(uint32_t minWidth, uint32_t minHeight) {
  if (!display_modes_reset(&g_displayModes, minWidth, minHeight)) return 0;
  g_settings.selectedMode = DisplayMode{};
  display_modes_enumerate();
  return 1;
}
