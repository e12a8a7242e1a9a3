// Walking the records that NVAPI and ADL fill in: adapters by display name, the
// connected and mapped displays of an adapter, and the VRR capability bits.
#include "gpu/vrr_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/byte_order.h"

namespace {

struct Adapter {
  int32_t index;
  const char* name;
  uint32_t present;
};

std::vector<uint8_t> adapters(const std::vector<Adapter>& list) {
  std::vector<uint8_t> bytes(list.size() * kAdlAdapterInfoSize, 0xEE);
  for (size_t i = 0; i < list.size(); i++) {
    uint8_t* a = &bytes[i * kAdlAdapterInfoSize];
    store_le32(a, kAdlAdapterInfoSize);
    store_le32(a + kAdlAdapterIndexAt, uint32_t(list[i].index));
    std::memcpy(a + kAdlDisplayNameAt, list[i].name, std::strlen(list[i].name) + 1);
    store_le32(a + kAdlPresentAt, list[i].present);
  }
  return bytes;
}

TEST(VrrRecords, AdapterMatchIsTheFirstPresentOneWithTheNameInAnyCase) {
  std::vector<uint8_t> a = adapters({{7, "\\\\.\\DISPLAY1", 0},   // not present
                                     {8, "\\\\.\\DISPLAY3", 1},
                                     {9, "\\\\.\\Display1", 1},
                                     {5, "\\\\.\\DISPLAY2", 1},
                                     {4, "\\\\.\\DISPLAY1", 1}});   // a later duplicate
  const struct {
    const char* device;
    int match;
  } cases[] = {{"\\\\.\\DISPLAY1", 2}, {"\\\\.\\display1", 2},   {"\\\\.\\DISPLAY2", 3},
               {"\\\\.\\DISPLAY", -1}, {"\\\\.\\DISPLAY12", -1}, {"", -1}};
  for (const auto& c : cases) EXPECT_EQ(vrr_adl_find_adapter(a.data(), 5, c.device), c.match) << c.device;
  EXPECT_EQ(vrr_adl_adapter_index(a.data(), 3), 5);
}

TEST(VrrRecords, AdapterNameIsCutAtItsLastByte) {
  std::vector<uint8_t> a = adapters({{3, "", 1}});
  std::memset(&a[kAdlDisplayNameAt], 'A', kAdlDisplayNameSize);  // no terminator of its own
  std::string name(kAdlDisplayNameSize - 1, 'a');
  EXPECT_EQ(vrr_adl_find_adapter(a.data(), 1, name.c_str()), 0);
  EXPECT_EQ(a[kAdlDisplayNameAt + kAdlDisplayNameSize - 1], 0);
  EXPECT_EQ(a[kAdlPresentAt], 1);  // the flag after the name is untouched
}

struct Display {
  int32_t logicalIndex, adapter;
  uint32_t mask, value;
};

TEST(VrrRecords, DisplaysCountWhenConnectedAndMappedOnTheAdapter) {
  struct Case {
    std::vector<Display> displays;
    int count;
    int32_t last;
  } cases[] = {
      {{{0, 4, 3, 3}}, 1, 0},
      {{{0, 4, 3, 3}, {1, 4, 0xFF, 0xFF}}, 2, 1},                // two: ambiguous for the caller
      {{{0, 5, 3, 3}, {6, 4, 3, 3}}, 1, 6},                      // another adapter's display
      {{{0, 4, 3, 1}, {1, 4, 3, 2}, {2, 4, 1, 3}}, 0, -1},       // connected or mapped only
      {{{0, 4, 0x83, 0x43}, {9, 4, 7, 7}, {3, 4, 2, 3}}, 2, 9},  // other bits don't matter
      {{}, 0, -1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(c.displays.size() * kAdlDisplayInfoSize + 1, 0);
    for (size_t i = 0; i < c.displays.size(); i++) {
      uint8_t* d = &bytes[i * kAdlDisplayInfoSize];
      store_le32(d, uint32_t(c.displays[i].logicalIndex));
      store_le32(d + 4, 77);  // physical index
      store_le32(d + kAdlLogicalAdapterAt, uint32_t(c.displays[i].adapter));
      store_le32(d + kAdlInfoMaskAt, c.displays[i].mask);
      store_le32(d + kAdlInfoValueAt, c.displays[i].value);
    }
    int32_t last = -1;
    EXPECT_EQ(vrr_adl_count_displays(bytes.data(), int32_t(c.displays.size()), 4, &last), c.count);
    EXPECT_EQ(last, c.last);
  }
}

TEST(VrrRecords, CapabilityBits) {
  // The record's first two words -> NVAPI's answer, FreeSync's answer.
  const uint32_t cases[][4] = {{kNvVrrInfoVersion, 2, 1, 0}, {kNvVrrInfoVersion, 0xFFFFFFFD, 0, 0},
                               {4, 1, 0, 1},                 {3, 0, 0, 0},
                               {0xFFFFFFFB, 0xFFFFFFFF, 1, 0}};
  for (const auto& c : cases) {
    uint8_t record[32] = {};
    store_le32(record, c[0]);
    store_le32(record + 4, c[1]);
    EXPECT_EQ(vrr_nvapi_answer(record), int(c[2])) << c[0] << " " << c[1];
    EXPECT_EQ(vrr_freesync_answer(record), int(c[3])) << c[0] << " " << c[1];
  }
}

}  // namespace
