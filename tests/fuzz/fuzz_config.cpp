// libFuzzer target: the value parser and the key reader on arbitrary text: they end, and what
// they take is in range.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/config.h"

namespace {

// Every key's text is the input, cut at its first NUL as the profile reader cuts it.
uint32_t read_input(const char*, char* buffer, uint32_t size, void* context) {
  const std::string& text = *static_cast<std::string*>(context);
  const size_t n = strnlen(text.c_str(), size - 1);
  memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return uint32_t(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  uint32_t value = 0;
  // Which texts are numbers is the unit tests' matter; none reads above the largest, 10009.
  if (config_parse_integer(text.c_str(), &value) && value > 10009) abort();
  CrtSettings s;
  config_read_keys(&s, nullptr, nullptr, read_input, &text);
  for (const ConfigKey& k : kConfigKeys)
    if (k.field != &CrtSettings::AspectRatio4x3 && k.field != &CrtSettings::StretchToFit &&
        (s.*k.field < k.minimum || s.*k.field > k.maximum))
      abort();
  return 0;
}
