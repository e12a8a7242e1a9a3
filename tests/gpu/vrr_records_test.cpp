// Walking the records that NVAPI and ADL fill in (adapters, displays, VRR bits), and the
// present mode chosen from them with the overlay's status texts.
#include "gpu/vrr_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_order.h"
#include "gpu/present_mode.h"

namespace {

// Adapter records (display name, present flag) with the adapter indices 10, 11, ...
std::vector<uint8_t> adapters(const std::vector<std::pair<const char*, uint32_t>>& list) {
  std::vector<uint8_t> bytes(list.size() * kAdlAdapterInfoSize, 0xEE);
  for (size_t i = 0; i < list.size(); i++) {
    uint8_t* a = &bytes[i * kAdlAdapterInfoSize];
    store_le32(a, kAdlAdapterInfoSize);
    store_le32(a + kAdlAdapterIndexAt, uint32_t(10 + i));
    std::memcpy(a + kAdlDisplayNameAt, list[i].first, std::strlen(list[i].first) + 1);
    store_le32(a + kAdlPresentAt, list[i].second);
  }
  return bytes;
}

TEST(VrrRecords, AdapterMatchIsTheFirstPresentOneWithTheNameInAnyCase) {
  // The first is not present, the last a later duplicate.
  std::vector<uint8_t> a = adapters({{"\\\\.\\DISPLAY1", 0},
                                     {"\\\\.\\DISPLAY3", 1},
                                     {"\\\\.\\Display1", 1},
                                     {"\\\\.\\DISPLAY2", 1},
                                     {"\\\\.\\DISPLAY1", 1}});
  const struct {
    const char* device;
    int match;
  } cases[] = {{"\\\\.\\DISPLAY1", 2}, {"\\\\.\\display1", 2},   {"\\\\.\\DISPLAY2", 3},
               {"\\\\.\\DISPLAY", -1}, {"\\\\.\\DISPLAY12", -1}, {"", -1}};
  for (const auto& c : cases) EXPECT_EQ(vrr_adl_find_adapter(a.data(), 5, c.device), c.match) << c.device;
  EXPECT_EQ(vrr_adl_adapter_index(a.data(), 3), 13);
}

TEST(VrrRecords, AdapterNameIsCutAtItsLastByte) {
  std::vector<uint8_t> a = adapters({{"", 1}});
  std::memset(&a[kAdlDisplayNameAt], 'A', kAdlDisplayNameSize);  // no terminator of its own
  EXPECT_EQ(vrr_adl_find_adapter(a.data(), 1, std::string(kAdlDisplayNameSize - 1, 'a').c_str()), 0);
  EXPECT_EQ(a[kAdlDisplayNameAt + kAdlDisplayNameSize - 1], 0);
  EXPECT_EQ(a[kAdlPresentAt], 1);  // the flag after the name is untouched
}

TEST(VrrRecords, DisplaysCountWhenConnectedAndMappedOnTheAdapter) {
  // Displays (logical index, adapter, info mask, info value) -> count on adapter 4, last index.
  struct Case {
    std::vector<std::array<uint32_t, 4>> displays;
    int count;
    int32_t last;
  } cases[] = {
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
      store_le32(d, c.displays[i][0]);
      store_le32(d + 4, 77);  // physical index
      store_le32(d + kAdlLogicalAdapterAt, c.displays[i][1]);
      store_le32(d + kAdlInfoMaskAt, c.displays[i][2]);
      store_le32(d + kAdlInfoValueAt, c.displays[i][3]);
    }
    int32_t last = -1;
    EXPECT_EQ(vrr_adl_count_displays(bytes.data(), int32_t(c.displays.size()), 4, &last), c.count);
    EXPECT_EQ(last, c.last);
  }
}

TEST(VrrRecords, CapabilityBits) {
  // The record's first two words -> NVAPI's answer, FreeSync's answer.
  const uint32_t cases[][4] = {{kNvVrrInfoVersion, 2, 1, 0},
                               {kNvVrrInfoVersion, 0xFFFFFFFD, 0, 0},
                               {4, 1, 0, 1},
                               {3, 0, 0, 0},
                               {0xFFFFFFFB, 0xFFFFFFFF, 1, 0}};
  for (const auto& c : cases) {
    uint8_t record[32] = {};
    store_le32(record, c[0]);
    store_le32(record + 4, c[1]);
    EXPECT_EQ(vrr_nvapi_answer(record), int(c[2])) << c[0] << " " << c[1];
    EXPECT_EQ(vrr_freesync_answer(record), int(c[3])) << c[0] << " " << c[1];
  }
}

TEST(PresentMode, VrrThenVSyncThenUnsynced) {
  // clang-format off
  const uint32_t cases[][6] = {
      // VSync, VRR, tearing, capability (2: undetermined) -> sync interval, flags
      {1, 1, 1, 1, 0, 0x200}, {0, 1, 1, 1, 0, 0x200}, {1, 1, 1, 2, 0, 0x200},  // undetermined: capable
      {1, 1, 1, 0, 1, 0},     {0, 1, 1, 0, 0, 0},
      {1, 1, 0, 1, 1, 0},     {0, 1, 0, 2, 0, 0},  // no tearing: as with VRR off
      {1, 0, 1, 2, 1, 0},     {0, 0, 1, 1, 0, 0},  // VRR off never tears
  };
  // clang-format on
  for (const auto& c : cases) {
    PresentMode m = present_mode_choose(c[0], c[1], int(c[2]), int(c[3]));
    EXPECT_EQ((std::vector<uint32_t>{m.syncInterval, m.flags}), (std::vector<uint32_t>{c[4], c[5]}))
        << c[0] << c[1] << c[2] << c[3];
  }
}

TEST(PresentMode, StatusTexts) {
  // clang-format off
  const char* const cases[][2] = {
      {present_mode_sync_text(0, 0x200, 1), "Starting"}, {present_mode_sync_text(1, 0x200, 0), "VRR"},
      {present_mode_sync_text(1, 0, 1), "VSync"},        {present_mode_sync_text(1, 0, 0), "Unsynced"},
      {present_mode_renderer_text(0), "Initializing renderer"}, {present_mode_renderer_text(1), "D3D11 (hardware)"},
      {present_mode_crt_text(0, 1), "CRT: Off"},         {present_mode_crt_text(1, 1), "CRT: GPU shaders"},
      {present_mode_crt_text(1, 0), "CRT: GPU unavailable"}};
  // clang-format on
  for (const auto& c : cases) EXPECT_STREQ(c[0], c[1]);
}

}  // namespace
