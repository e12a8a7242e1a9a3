// libFuzzer target: the value parser and the key reader on arbitrary text: they end, and what
// they take is in range.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "shell/config.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
};

uint32_t ReadFuzz(const char*, char* buffer, uint32_t size, void* context) {
  Input* in = static_cast<Input*>(context);
  size_t n = in->size < size - 1 ? in->size : size - 1;
  memcpy(buffer, in->data, n);
  buffer[n] = 0;
  return uint32_t(strlen(buffer));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char text[128];
  size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
  memcpy(text, data, n);
  text[n] = 0;
  uint32_t value = 0;
  // Which texts are numbers is the unit tests' matter; none reads above the largest, 10009.
  if (config_parse_integer(text, &value) && value > 10009) abort();
  CrtSettings s;
  Input in = {data, size};
  config_read_keys(&s, nullptr, nullptr, ReadFuzz, &in);
  for (const ConfigKey& k : kConfigKeys)
    if (k.field != &CrtSettings::AspectRatio4x3 && k.field != &CrtSettings::StretchToFit &&
        (s.*k.field < k.minimum || s.*k.field > k.maximum))
      abort();
  return 0;
}
