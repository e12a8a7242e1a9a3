#include "shell/display_modes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

DisplayModeList g_list;

// The list a display with these modes gives: the current mode, then each enumerated one.
void enumerate(const DisplayMode& current, const std::vector<DisplayMode>& modes) {
  ASSERT_EQ(display_modes_reset(&g_list, 320, 200), 1);
  display_modes_add_current(&g_list, current);
  for (const DisplayMode& m : modes)
    if (!display_modes_offer(&g_list, m)) break;
}

std::vector<uint32_t> values(const DisplayModeChoice* c, uint32_t n) {
  std::vector<uint32_t> v;
  for (uint32_t i = 0; i < n; i++) v.push_back(c[i].value);
  return v;
}

TEST(DisplayModes, ResetChecksTheMinimum) {
  struct Case {
    uint32_t w, h;
    int ok;
  } cases[] = {{320, 200, 1}, {1, 1, 1},      {4096, 4096, 1}, {0, 200, 0},
               {320, 0, 0},   {4097, 200, 0}, {320, 4097, 0},  {0xFFFFFFFF, 200, 0}};
  for (const Case& c : cases) EXPECT_EQ(display_modes_reset(&g_list, c.w, c.h), c.ok) << c.w << "x" << c.h;
}

TEST(DisplayModes, CurrentFirstThenLargeEnoughModesOfSixteenBitsOrMore) {
  enumerate({1280, 1024, 32, 60}, {{320, 200, 8, 70},   // 8 bits: left out
                                   {319, 240, 32, 60},  // too narrow
                                   {320, 199, 32, 60},  // too low
                                   {320, 200, 16, 70},
                                   {1280, 1024, 32, 60},  // the current mode again: kept
                                   {640, 480, 24, 0}});
  std::vector<DisplayMode> expected = {
      {1280, 1024, 32, 60}, {320, 200, 16, 70}, {1280, 1024, 32, 60}, {640, 480, 24, 0}};
  ASSERT_EQ(g_list.count, expected.size());
  for (uint32_t i = 0; i < g_list.count; i++) {
    EXPECT_EQ(g_list.entries[i].width, expected[i].width) << i;
    EXPECT_EQ(g_list.entries[i].refreshRate, expected[i].refreshRate) << i;
  }
}

TEST(DisplayModes, SmallCurrentModeIsStillFirst) {
  enumerate({256, 192, 8, 60}, {{256, 192, 8, 60}});
  ASSERT_EQ(g_list.count, 1u);
  EXPECT_EQ(g_list.entries[0].bitsPerPixel, 8u);
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
  enumerate({1024, 768, 32, 60}, {{1280, 1024, 32, 60},
                                  {1280, 1024, 16, 60},
                                  {1280, 1024, 8, 60},
                                  {1024, 768, 32, 60},
                                  {1024, 768, 32, 75},
                                  {1024, 768, 16, 60},
                                  {1024, 768, 32, 60},
                                  {800, 600, 32, 60},
                                  {800, 600, 32, 60},
                                  {1024, 768, 32, 85},
                                  {1024, 768, 16, 60}});
  DisplayModeChoice c[kDisplayModeCapacity];
  uint32_t n = display_modes_resolution_choices(&g_list, c);
  EXPECT_EQ(values(c, n),
            (std::vector<uint32_t>{display_modes_size_key(1024, 768), display_modes_size_key(1280, 1024),
                                   display_modes_size_key(800, 600)}));
  EXPECT_EQ(c[1].entry, 1u);  // the first entry of each size
  EXPECT_EQ(c[2].entry, 7u);  // 8-bit modes never entered the list

  struct DepthCase {
    uint32_t w, h;
    std::vector<uint32_t> depths;
  } depthCases[] = {{1024, 768, {32, 16}}, {1280, 1024, {32, 16}}, {800, 600, {32}}, {640, 480, {}}};
  for (const DepthCase& d : depthCases) {
    n = display_modes_depth_choices(&g_list, d.w, d.h, c);
    EXPECT_EQ(values(c, n), d.depths) << d.w << "x" << d.h;
  }

  struct RateCase {
    uint32_t w, h, bits;
    std::vector<uint32_t> rates;
  } rateCases[] = {{1024, 768, 32, {60, 75, 85}}, {1024, 768, 16, {60}}, {1280, 1024, 8, {}}};
  for (const RateCase& r : rateCases) {
    n = display_modes_rate_choices(&g_list, r.w, r.h, r.bits, c);
    EXPECT_EQ(values(c, n), r.rates) << r.w << "x" << r.h << "x" << r.bits;
  }
}

TEST(DisplayModes, PickTheWantedValueElseTheFirst) {
  const DisplayModeChoice c[] = {{60, 0}, {75, 3}, {85, 4}};
  struct Case {
    uint32_t count, wanted;
    int line;
  } cases[] = {{3, 75, 1}, {3, 85, 2}, {3, 60, 0}, {3, 100, 0}, {1, 85, 0}, {0, 60, -1}};
  for (const Case& k : cases) EXPECT_EQ(display_modes_pick(c, k.count, k.wanted), k.line) << k.wanted;
}

}  // namespace
