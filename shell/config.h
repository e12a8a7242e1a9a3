// The configuration file "Vrinx.ini": its [CRT] keys with defaults and ranges, the
// value parser, the path beside the executable, and the text /saveconfig writes.
#pragma once
#include <cstdint>

#include "base/crt_settings.h"

struct ConfigKey {
  const char* name;
  uint32_t CrtSettings::*field;
  uint32_t defaultValue, minimum, maximum;
};

constexpr int kConfigKeyCount = 25;
extern const ConfigKey kConfigKeys[kConfigKeyCount];

// The text that /saveconfig writes, CR LF line ends, without a terminating zero.
constexpr uint32_t kConfigDefaultTextSize = 2760;
extern const char kConfigDefaultText[];

constexpr const char* kConfigWarning =
    "Could not create the CRT configuration beside the executable. Built-in defaults will be used.";

// Every key to its default; aspect and stretch are the places that receive
// AspectRatio4x3 and StretchToFit (null: a scratch place).
void config_set_defaults(CrtSettings* settings, uint32_t* aspect, uint32_t* stretch);

// A value as the file may hold it: blanks and tabs, decimal digits, blanks and tabs.
// Gives up on a number above 1000 before reading a further digit, so it never overflows.
// Returns 1 and the value, or 0.
int config_parse_integer(const char* text, uint32_t* value);

// Reads one key's text as returned by the profile reader (length = its return value).
typedef uint32_t (*ConfigKeyReader)(const char* key, char* buffer, uint32_t size, void* context);

// Step "for each key": default first, then the text when it is 1..62 characters,
// parses and lies in the key's range.
void config_read_keys(CrtSettings* settings, uint32_t* aspect, uint32_t* stretch, ConfigKeyReader reader,
                      void* context);

// Checks the bare file name and joins it to the executable's folder (the module
// path up to and including its last backslash). Paths are UTF-16 as the wide Windows
// calls take them, so a folder of any name works; the limit of 260 counts 16-bit units,
// as those calls do. outSize counts units too. Returns 0 when either is unusable.
int config_build_path(const char16_t* modulePath, const char16_t* fileName, char16_t* out, uint32_t outSize);

// Win32: fills g_settings from the [CRT] section of fileName beside the executable,
// writing the default file first under /saveconfig. The record is always usable after.
void LoadConfiguration(const wchar_t* fileName, const char* caption, uint32_t* aspect, uint32_t* stretch);
