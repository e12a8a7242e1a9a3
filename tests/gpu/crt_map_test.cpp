// Sample-map entries worked out by hand from the map's formulas, with the
// rounding toward minus infinity that the build runs under.
#include "gpu/crt_map.h"

#include <gtest/gtest.h>

#include <vector>

#include "gpu/crt_frame.h"
#include "gpu/crt_job.h"

namespace {

struct Entry {
  uint32_t index, w00, w10, w01, w11;
};

Entry entry_at(const std::vector<uint32_t>& map, uint32_t ow, uint32_t j, uint32_t i) {
  const uint32_t* e = &map[(size_t(i) * ow + j) * kCrtMapWords];
  return Entry{e[0], e[1] & 0xFFFF, e[1] >> 16, e[2] & 0xFFFF, e[2] >> 16};
}

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
      {"last column 1:1",
       320,
       200,
       320,
       200,
       319,
       100,
       {0, 0, 0, 0, 1.0f, 0},
       {319 + 100 * 322, 0, 0, 0, 256}},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> map = build(c.sw, c.sh, c.ow, c.oh, c.shape);
    Entry e = entry_at(map, c.ow, c.j, c.i);
    EXPECT_EQ(e.index, c.expected.index) << c.what;
    EXPECT_EQ(e.w00, c.expected.w00) << c.what;
    EXPECT_EQ(e.w10, c.expected.w10) << c.what;
    EXPECT_EQ(e.w01, c.expected.w01) << c.what;
    EXPECT_EQ(e.w11, c.expected.w11) << c.what;
  }
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
    for (size_t p = 0; p < size_t(c.ow) * c.oh; p++) {
      uint32_t sum = (map[3 * p + 1] & 0xFFFF) + (map[3 * p + 1] >> 16) + (map[3 * p + 2] & 0xFFFF) +
                     (map[3 * p + 2] >> 16);
      ASSERT_EQ(sum, c.sum) << c.ow << "x" << c.oh << " pixel " << p;
    }
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
    const uint32_t* e = &map[size_t(i) * 320 * 3 + 3 * 160];
    uint32_t sum = (e[1] & 0xFFFF) + (e[1] >> 16) + (e[2] & 0xFFFF) + (e[2] >> 16);
    low = sum < low ? sum : low;
    high = sum > high ? sum : high;
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
  Entry middle = entry_at(vignette, 641, 320, 240);
  EXPECT_EQ(middle.w00 + middle.w10 + middle.w01 + middle.w11, 256u);
  Entry corner = entry_at(vignette, 641, 1, 1);
  // u = 3/481 - 1, a = 3/641 - 1: 1 - (0.98756 + 0.99066) * 0.1 = 0.80218, K = floor(205.36).
  EXPECT_EQ(corner.w00 + corner.w10 + corner.w01 + corner.w11, 205u);
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
  std::vector<uint32_t> columns(320), rows(200);
  struct Case {
    uint32_t strength;
    uint32_t c0, c80, c160, c319, r0, r50, r100, r199;
  } cases[] = {
      // b = |x - 160| / 160: 1, 0.5, 0, 0.99375 -> floor(b^3 * 160) = 160, 20, 0, 157;
      // rows b = |y - 100| / 100: 1, 0.5, 0, 0.99 -> floor(b^3 * 100) = 100, 12, 0, 97.
      {100, 160, 20, 0, 157, 100, 12, 0, 97},
      {150, 240, 30, 0, 235, 150, 18, 0, 145},
      {0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    crt_chroma_tables(320, 200, c.strength, columns.data(), rows.data());
    EXPECT_EQ(columns[0], c.c0);
    EXPECT_EQ(columns[80], c.c80);
    EXPECT_EQ(columns[160], c.c160);
    EXPECT_EQ(columns[319], c.c319);
    EXPECT_EQ(rows[0], c.r0);
    EXPECT_EQ(rows[50], c.r50);
    EXPECT_EQ(rows[100], c.r100);
    EXPECT_EQ(rows[199], c.r199);
  }
}

}  // namespace
