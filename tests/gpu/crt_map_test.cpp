// Sample-map entries worked out by hand from the map's formulas, with the
// rounding toward minus infinity that the build runs under.
#include "gpu/crt_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "gpu/crt_frame.h"
#include "gpu/crt_job.h"

namespace {

// Source index and the weights w00, w10, w01, w11 of output pixel (j, i).
using Entry = std::array<uint32_t, 5>;

Entry entry_at(const std::vector<uint32_t>& map, uint32_t ow, uint32_t j, uint32_t i) {
  const uint32_t* e = &map[(size_t(i) * ow + j) * kCrtMapWords];
  return Entry{e[0], e[1] & 0xFFFF, e[1] >> 16, e[2] & 0xFFFF, e[2] >> 16};
}

// The weights' sum: the pixel's brightness in 256ths.
uint32_t weight(const Entry& e) { return e[1] + e[2] + e[3] + e[4]; }

std::vector<uint32_t> build(uint32_t sw, uint32_t sh, uint32_t ow, uint32_t oh, const CrtMapShape& shape) {
  std::vector<uint32_t> map(size_t(ow) * oh * kCrtMapWords, 0xDEADBEEF);
  crt_map_build(map.data(), sw, sh, ow, oh, shape);
  return map;
}

const CrtMapShape kDefaults = {1, 1, 0.025f, 0.025f, 0.9f, 0.1f};

TEST(CrtMap, HandDerivedEntries) {
  struct Case {
    const char* what;
    uint32_t sw, sh, ow, oh, j, i;
    CrtMapShape shape;
    Entry expected;
  } cases[] = {
      // Odd output: the middle pixel has a = u = 0, so X = 160.5 and Y = 100.5
      // (fx = fy = 128) and H = cos(201.5 pi) * t + 0.9 = 0.9: K = floor(230.39..) = 230.
      // Weights 128*128*230 >> 16 = 57 three times, 230 - 171 = 59.
      {"centre", 320, 200, 641, 481, 320, 240, kDefaults, {160 + 100 * 322, 57, 57, 57, 59}},
      // Left edge, flat and unlit: a = 1/640 - 1 rounds below -639/640, so
      // X = a*160 + 160.5 < 0.75 and D = 191. u = 1/256 exactly: Y = 64.75, G = 16576.
      // Weights (65*64, 191*64, 192*65) * 256 >> 16 = 16, 47, 48; 256 - 111 = 145.
      {"edge", 320, 128, 640, 256, 0, 128, {0, 0, 0.025f, 0.025f, 0.9f, 0.1f}, {64 * 322, 16, 47, 48, 145}},
      // Strong curvature pushes the corner to X ~ -15: outside, all zero.
      {"corner outside", 320, 200, 640, 480, 0, 0, {1, 1, 0.1f, 0.1f, 0.9f, 0.1f}, {0, 0, 0, 0, 0}},
      // 1:1, unlit: a = 319/320 and u = 1/200 both round down, so X = 320 - tiny and
      // Y = 101 - tiny: D = 81919, G = 25855, fx = fy = 255, and all of K = 256 goes to
      // w11, padded (320, 101), which is source pixel (319, 100).
      {"last column", 320, 200, 320, 200, 319, 100, {0, 0, 0, 0, 1.0f, 0}, {319 + 100 * 322, 0, 0, 0, 256}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(entry_at(build(c.sw, c.sh, c.ow, c.oh, c.shape), c.ow, c.j, c.i), c.expected) << c.what;
}

// Up to 6/5 enlargement there are no stripes: every entry's weights sum to
// floor(base*256) (0.9f -> 230, 0.5f -> 128, 1.0f -> 256).
TEST(CrtMap, NoStripesUpToSixFifths) {
  struct Case {
    uint32_t sw, sh, ow, oh;
    float base;
    uint32_t sum;
  } cases[] = {{320, 200, 320, 240, 0.9f, 230}, {320, 200, 640, 200, 0.5f, 128}, {37, 11, 50, 13, 1.0f, 256}};
  for (const Case& c : cases) {
    CrtMapShape shape = {1, 0, 0.025f, 0.025f, c.base, 0.1f};
    EXPECT_EQ(crt_map_scanline_depth(c.sh, c.oh, shape), 0.0f);
    std::vector<uint32_t> map = build(c.sw, c.sh, c.ow, c.oh, shape);
    for (uint32_t i = 0; i < c.oh; i++)
      for (uint32_t j = 0; j < c.ow; j++) ASSERT_EQ(weight(entry_at(map, c.ow, j, i)), c.sum) << c.ow << ":" << i;
  }
}

// Scanlines above 6/5: t = n/(sh*9/5) * contrast * sin(angle)/angle, and the row
// brightness swings around the base by up to t.
TEST(CrtMap, ScanlineDepth) {
  CrtMapShape shape = {1, 0, 0, 0, 0.9f, 0.1f};
  // sh 200, oh 480: n = 240 of 360, angle = 5pi/12, sin/angle = 0.73791: t = 0.049194.
  EXPECT_NEAR(crt_map_scanline_depth(200, 480, shape), 0.0491941f, 1e-6f);
  // From 3 sh on n is capped at sh*9/5: at 6x, angle = pi/6, t = 0.1 * 0.5/(pi/6).
  EXPECT_NEAR(crt_map_scanline_depth(200, 1200, shape), 0.0954930f, 1e-6f);
  shape.scanlines = 0;
  EXPECT_EQ(crt_map_scanline_depth(200, 1200, shape), 0.0f);
  shape.scanlines = 1;
  std::vector<uint32_t> map = build(320, 200, 320, 1200, shape);
  uint32_t low = 256, high = 0;
  for (uint32_t i = 0; i < 1200; i++) {
    low = std::min(low, weight(entry_at(map, 320, 160, i)));
    high = std::max(high, weight(entry_at(map, 320, 160, i)));
  }
  // Rows 1 and 4 of every 6 hit cos = 1 and -1: floor((0.9 +- 0.0955) * 256).
  EXPECT_EQ(low, 205u);
  EXPECT_EQ(high, 254u);
}

// Without Distortion neither curvature nor vignette counts.
TEST(CrtMap, DistortionOffIgnoresCurvatureAndVignette) {
  std::vector<uint32_t> plain = build(320, 200, 640, 480, {1, 0, 0, 0, 0.9f, 0.1f});
  EXPECT_EQ(build(320, 200, 640, 480, {1, 0, 0.1f, 0.1f, 0.9f, 0.1f}), plain);
  EXPECT_NE(build(320, 200, 640, 480, {1, 1, 0.1f, 0.1f, 0.9f, 0.1f}), plain);
  // With Distortion on, vignette alone darkens the corners but not the middle.
  std::vector<uint32_t> vignette = build(320, 200, 641, 481, {0, 1, 0, 0.1f, 0.9f, 0.1f});
  EXPECT_EQ(weight(entry_at(vignette, 641, 320, 240)), 256u);
  // u = 3/481 - 1, a = 3/641 - 1: 1 - (0.98756 + 0.99066) * 0.1 = 0.80218, K = floor(205.36).
  EXPECT_EQ(weight(entry_at(vignette, 641, 1, 1)), 205u);
}

// The build runs in its own mode: the same inputs under the caller's
// round-to-nearest give another map, and the caller's mode is back afterwards.
TEST(CrtMap, OwnRoundingModeRestored) {
  std::vector<uint32_t> first = build(123, 77, 301, 199, kDefaults);
  volatile double x = 1.0, y = 3.0;
  EXPECT_EQ(x / y, 1.0 / 3.0);
  std::vector<uint32_t> nearest(first.size());
  crt_map_build_rounded(nearest.data(), 123, 77, 301, 199, kDefaults);
  EXPECT_NE(nearest, first);
  EXPECT_EQ(build(123, 77, 301, 199, kDefaults), first);
}

TEST(CrtChroma, TablesAt100And150Percent) {
  // Columns b = |x - 160| / 160 at x = 0, 80, 160, 319: 1, 0.5, 0, 0.99375 -> floor(b^3 * 160)
  // = 160, 20, 0, 157; rows b = |y - 100| / 100 at y = 0, 50, 100, 199: 1, 0.5, 0, 0.99 ->
  // floor(b^3 * 100) = 100, 12, 0, 97. At 150 % the strength scales both.
  const std::vector<uint32_t> cases[] = {{100, 160, 20, 0, 157, 100, 12, 0, 97},
                                         {150, 240, 30, 0, 235, 150, 18, 0, 145},
                                         {0, 0, 0, 0, 0, 0, 0, 0, 0}};
  std::vector<uint32_t> columns(320), rows(200);
  for (const auto& c : cases) {
    crt_chroma_tables(320, 200, c[0], columns.data(), rows.data());
    const std::vector<uint32_t> got = {c[0],    columns[0], columns[80], columns[160], columns[319],
                                       rows[0], rows[50],   rows[100],   rows[199]};
    EXPECT_EQ(got, c);
  }
}

}  // namespace
