// Reading "Vrinx.ini" with the profile functions, and /saveconfig.
#include <windows.h>

#include "base/test_log_win32.h"
#include "gpu/crt_constants.h"
#include "shell/config.h"
#include "shell/shell_win32.h"

namespace {

// The wide calls take any folder's name; the path joining works on the same UTF-16 units.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 units");
char16_t* utf16(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
const char16_t* utf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// Keys and values are ASCII: a character beyond it comes back as '?', which no value accepts.
uint32_t read_profile_key(const char* key, char* buffer, uint32_t size, void* path) {
  wchar_t name[64];
  int i = 0;
  for (; key[i] && i < 63; i++) name[i] = wchar_t(key[i]);
  name[i] = 0;
  wchar_t text[64];
  DWORD length = GetPrivateProfileStringW(L"CRT", name, L"", text, size < 64 ? size : 64,
                                          static_cast<const wchar_t*>(path));
  for (DWORD j = 0; j <= length; j++) buffer[j] = text[j] < 0x80 ? char(text[j]) : '?';
  return length;
}

// Creates the file with the default text unless it exists. Returns 0 when the
// file can neither be created nor found, or the text isn't written whole.
int write_default_file(const wchar_t* path) {
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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

void LoadConfiguration(const wchar_t* fileName, const char* caption, uint32_t* aspect, uint32_t* stretch) {
  config_set_defaults(&g_settings, aspect, stretch);
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
    g_settings.selectedMode =
        DisplayMode{mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel, mode.dmDisplayFrequency};
  wchar_t module[MAX_PATH];
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH ||
      !config_build_path(utf16(module), utf16(fileName), utf16(path), MAX_PATH) ||
      (shell_has_switch(L"/saveconfig") && !write_default_file(path)))
    MessageBoxA(nullptr, kConfigWarning, caption, MB_OK | MB_ICONWARNING);
  else
    config_read_keys(&g_settings, aspect, stretch, read_profile_key, path);
  CrtSettingsChanged();
  for (const ConfigKey& k : kConfigKeys)
    if (g_settings.*k.field != k.defaultValue) test_log("config: %s=%u", k.name, g_settings.*k.field);
}
