// Reading "Vrinx.ini" with the profile functions, and /saveconfig.
#include <windows.h>

#include "base/test_log_win32.h"
#include "gpu/crt_constants.h"
#include "shell/config.h"
#include "shell/shell_win32.h"

namespace {

uint32_t read_profile_key(const char* key, char* buffer, uint32_t size, void* path) {
  return GetPrivateProfileStringA("CRT", key, "", buffer, size, static_cast<const char*>(path));
}

// Creates the file with the default text unless it exists. Returns 0 when the
// file can neither be created nor found, or the text isn't written whole.
int write_default_file(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, kConfigDefaultText, kConfigDefaultTextSize, &written, nullptr);
  CloseHandle(file);
  return ok && written == kConfigDefaultTextSize;
}

}  // namespace

void LoadConfiguration(const char* fileName, const char* caption, uint32_t* aspect, uint32_t* stretch) {
  config_set_defaults(&g_settings, aspect, stretch);
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
    g_settings.selectedMode = DisplayMode{mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel,
                                          mode.dmDisplayFrequency};
  char module[MAX_PATH];
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !config_build_path(module, fileName, path, sizeof path) ||
      (shell_has_switch(L"/saveconfig") && !write_default_file(path)))
    MessageBoxA(nullptr, kConfigWarning, caption, MB_OK | MB_ICONWARNING);
  else
    config_read_keys(&g_settings, aspect, stretch, read_profile_key, path);
  CrtSettingsChanged();
  for (const ConfigKey& k : kConfigKeys)
    if (g_settings.*k.field != k.defaultValue) test_log("config: %s=%u", k.name, g_settings.*k.field);
}
