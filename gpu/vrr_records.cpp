#include "gpu/vrr_records.h"

#include <cstddef>

#include "base/byte_order.h"

namespace {

// The vendor records hold signed 32-bit fields.
int32_t load32(const uint8_t* p) { return int32_t(load_le32(p)); }

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool same_name(const char* a, const char* b) {
  for (; ascii_lower(*a) == ascii_lower(*b); a++, b++)
    if (!*a) return true;
  return false;
}

}  // namespace

int vrr_nvapi_answer(const uint8_t* record) { return (load32(record + 4) >> 1) & 1; }

int vrr_freesync_answer(const uint8_t* record) { return (load32(record) >> 2) & 1; }

int vrr_adl_find_adapter(uint8_t* adapters, int32_t count, const char* deviceName) {
  for (int i = 0; i < count; i++) {
    uint8_t* a = adapters + std::size_t(i) * kAdlAdapterInfoSize;
    char* name = reinterpret_cast<char*>(a + kAdlDisplayNameAt);
    name[kAdlDisplayNameSize - 1] = 0;
    if (load32(a + kAdlPresentAt) && same_name(name, deviceName)) return i;
  }
  return -1;
}

int32_t vrr_adl_adapter_index(const uint8_t* adapters, int adapter) {
  return load32(adapters + std::size_t(adapter) * kAdlAdapterInfoSize + kAdlAdapterIndexAt);
}

int vrr_adl_count_displays(const uint8_t* displays, int32_t count, int32_t adapterIndex,
                           int32_t* displayIndex) {
  int found = 0;
  for (int i = 0; i < count; i++) {
    const uint8_t* d = displays + std::size_t(i) * kAdlDisplayInfoSize;
    if (load32(d + kAdlLogicalAdapterAt) != adapterIndex) continue;
    if ((load32(d + kAdlInfoValueAt) & load32(d + kAdlInfoMaskAt) & 3) != 3) continue;
    *displayIndex = load32(d);
    found++;
  }
  return found;
}
