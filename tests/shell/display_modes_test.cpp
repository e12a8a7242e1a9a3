// The full-screen mode list and the setup dialog's three dependent lists.
#include "shell/display_modes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Values = std::vector<uint32_t>;

DisplayModeList g_list;

// The list a display with these modes gives: the current mode, then each enumerated one.
void enumerate(const DisplayMode& current, const std::vector<DisplayMode>& modes) {
  ASSERT_EQ(display_modes_reset(&g_list, 320, 200), 1);
  display_modes_add_current(&g_list, current);
  for (const DisplayMode& m : modes)
    if (!display_modes_offer(&g_list, m)) break;
}

Values values(const DisplayModeChoice* c, uint32_t n) {
  Values v;
  for (uint32_t i = 0; i < n; i++) v.push_back(c[i].value);
  return v;
}

// Width, height, bits and rate of every entry.
Values entries() {
  Values v;
  for (uint32_t i = 0; i < g_list.count; i++) {
    const DisplayMode& e = g_list.entries[i];
    v.insert(v.end(), {e.width, e.height, e.bitsPerPixel, e.refreshRate});
  }
  return v;
}

TEST(DisplayModes, ResetChecksTheMinimum) {
  const uint32_t cases[][3] = {{320, 200, 1}, {1, 1, 1},      {4096, 4096, 1}, {0, 200, 0},
                               {320, 0, 0},   {4097, 200, 0}, {320, 4097, 0},  {0xFFFFFFFF, 200, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(display_modes_reset(&g_list, c[0], c[1]), int(c[2])) << c[0] << "x" << c[1];
}

TEST(DisplayModes, CurrentFirstThenLargeEnoughModesOfSixteenBitsOrMore) {
  enumerate({1280, 1024, 32, 60}, {{320, 200, 8, 70},   // 8 bits: left out
                                   {319, 240, 32, 60},  // too narrow
                                   {320, 199, 32, 60},  // too low
                                   {320, 200, 16, 70},
                                   {1280, 1024, 32, 60},  // the current mode again: kept
                                   {640, 480, 24, 0}});
  EXPECT_EQ(entries(), (Values{1280, 1024, 32, 60, 320, 200, 16, 70, 1280, 1024, 32, 60, 640, 480, 24, 0}));
  // A current mode below the minimum is still first.
  enumerate({256, 192, 8, 60}, {{256, 192, 8, 60}});
  EXPECT_EQ(entries(), (Values{256, 192, 8, 60}));
}

TEST(DisplayModes, EnumerationStopsAtCapacity) {
  ASSERT_EQ(display_modes_reset(&g_list, 320, 200), 1);
  display_modes_add_current(&g_list, {800, 600, 32, 60});
  uint32_t offered = 0;
  while (display_modes_offer(&g_list, {640, 480, 32, 60 + offered})) offered++;
  EXPECT_EQ(g_list.count, kDisplayModeCapacity);
  EXPECT_EQ(offered + 1, kDisplayModeCapacity - 1);  // the last accepted one answers 0
  EXPECT_EQ(display_modes_offer(&g_list, {640, 480, 32, 1}), 0);
  EXPECT_EQ(g_list.count, kDisplayModeCapacity);
}

// A display as Wine reports it: every size at 32, 16 and 8 bits, some sizes twice with a
// field the lists don't show (orientation, flags) being the only difference.
TEST(DisplayModes, DependentListsShowEachValueOnceInEnumerationOrder) {
  // clang-format off
  enumerate({1024, 768, 32, 60}, {{1280, 1024, 32, 60}, {1280, 1024, 16, 60}, {1280, 1024, 8, 60},
                                  {1024, 768, 32, 60},  {1024, 768, 32, 75},  {1024, 768, 16, 60},
                                  {1024, 768, 32, 60},  {800, 600, 32, 60},   {800, 600, 32, 60},
                                  {1024, 768, 32, 85},  {1024, 768, 16, 60}});
  // clang-format on
  DisplayModeChoice c[kDisplayModeCapacity];
  uint32_t n = display_modes_resolution_choices(&g_list, c);
  EXPECT_EQ(values(c, n), (Values{display_modes_size_key(1024, 768), display_modes_size_key(1280, 1024),
                                  display_modes_size_key(800, 600)}));
  EXPECT_EQ(c[1].entry, 1u);  // the first entry of each size
  EXPECT_EQ(c[2].entry, 7u);  // 8-bit modes never entered the list
  const struct {
    uint32_t w, h, bits;  // bits 0: the depth list of the size
    Values shown;
  } lists[] = {{1024, 768, 0, {32, 16}}, {1280, 1024, 0, {32, 16}},     {800, 600, 0, {32}},
               {640, 480, 0, {}},        {1024, 768, 32, {60, 75, 85}}, {1024, 768, 16, {60}},
               {1280, 1024, 8, {}}};
  for (const auto& l : lists) {
    n = l.bits ? display_modes_rate_choices(&g_list, l.w, l.h, l.bits, c)
               : display_modes_depth_choices(&g_list, l.w, l.h, c);
    EXPECT_EQ(values(c, n), l.shown) << l.w << "x" << l.h << "x" << l.bits;
  }
}

TEST(DisplayModes, PickTheWantedValueElseTheFirst) {
  const DisplayModeChoice c[] = {{60, 0}, {75, 3}, {85, 4}};
  const int cases[][3] = {{3, 75, 1}, {3, 85, 2}, {3, 60, 0}, {3, 100, 0}, {1, 85, 0}, {0, 60, -1}};
  for (const auto& k : cases) EXPECT_EQ(display_modes_pick(c, uint32_t(k[0]), uint32_t(k[1])), k[2]) << k[1];
}

}  // namespace
