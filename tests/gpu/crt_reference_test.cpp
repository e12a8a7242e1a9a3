// The CRT's arithmetic against values worked out by hand: the mask gain, the decode pass and
// sample-map entries (rounded toward minus infinity). The other passes of the CPU reference and
// the chroma tables are held by the CPU executor's comparison and its frame hash (crt_cpu_test.cpp).
#include "gpu/crt_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "gpu/crt_job.h"
#include "gpu/crt_map.h"

namespace {

TEST(CrtReference, MaskGain) {
  const uint32_t cases[][7] = {
      // on, m, sw, sh, ow, oh -> gain
      {1, 128, 100, 100, 300, 300, 192},   // 3x: 100*128/200 = 64
      {1, 128, 100, 100, 250, 400, 224},   // min(50*128/200 = 32, 128)
      {1, 128, 100, 100, 900, 900, 128},   // beyond 4x the fade stops at m
      {0, 128, 100, 100, 900, 900, 256},   // mask off
      {1, 40, 320, 200, 1920, 1080, 216},  // defaults at 1080p: min(80, 68, m = 40)
  };
  for (const auto& c : cases)
    EXPECT_EQ(crt_mask_gain(c[0], c[1], c[2], c[3], c[4], c[5]), c[6]) << c[4] << "x" << c[5];
}

// An indexed source through the palette, a 32-bit one as it is; the fourth byte is dropped.
TEST(CrtReference, DecodeIndexedAndTrueColor) {
  constexpr uint32_t kW = 6, kH = 4, kStride = kW + 2;
  uint32_t palette[256] = {}, words[kW * kH] = {0, 0xFF112233};
  palette[7] = 0xEE010203, palette[9] = 0x040506;
  uint8_t indexed[kW * kH] = {7};
  indexed[kW * kH - 1] = 9;
  std::vector<uint32_t> out(kStride * (kH + 2));
  CrtParams p = {kW, kH, kW, kH, 0, 0, 0, 0, 0, 16, 256, 0, kCrtDecode, 0, kW, 0};
  crt_reference_operation(p, {nullptr, nullptr, nullptr, nullptr, palette, indexed}, out.data());
  EXPECT_EQ((std::vector<uint32_t>{out[kStride + 1], out[kStride + 2], out[kH * kStride + kW]}),
            (std::vector<uint32_t>{0x010203, 0, 0x040506}));
  p.trueColor = 1, p.inputPitch = kW * 4;
  crt_reference_operation(p, {nullptr, nullptr, nullptr, nullptr, palette, reinterpret_cast<uint8_t*>(words)},
                          out.data());
  EXPECT_EQ(out[kStride + 2], 0x112233u);
}

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
      // a = u = 0: X = 160.5, Y = 100.5, H = cos(201.5 pi) t + 0.9 = 0.9, 128*128*230 >> 16 = 57, 230 - 171
      {"centre", 320, 200, 641, 481, 320, 240, kDefaults, {160 + 100 * 322, 57, 57, 57, 59}},
      // a = 1/640 - 1 rounds below -639/640: D = 191; Y = 64.75: (65*64, 191*64, 192*65) >> 8, 145 left
      {"edge", 320, 128, 640, 256, 0, 128, {0, 0, 0.025f, 0.025f, 0.9f, 0.1f}, {64 * 322, 16, 47, 48, 145}},
      // Strong curvature pushes the corner to X ~ -15: outside, all zero.
      {"corner outside", 320, 200, 640, 480, 0, 0, {1, 1, 0.1f, 0.1f, 0.9f, 0.1f}, {0, 0, 0, 0, 0}},
      // a = 319/320 and u = 1/200 round down: fx = fy = 255, all of 256 on w11, source pixel (319, 100)
      {"last column", 320, 200, 320, 200, 319, 100, {0, 0, 0, 0, 1.0f, 0}, {319 + 100 * 322, 0, 0, 0, 256}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(entry_at(build(c.sw, c.sh, c.ow, c.oh, c.shape), c.ow, c.j, c.i), c.expected) << c.what;
}

// Up to 6/5 enlargement no stripes: every weight sum is floor(base*256) (0.9f -> 230, 0.5f -> 128).
TEST(CrtMap, NoStripesUpToSixFifths) {
  // sw, sh, ow, oh, base in 1000ths -> weight sum
  const uint32_t cases[][6] = {
      {320, 200, 320, 240, 900, 230}, {320, 200, 640, 200, 500, 128}, {37, 11, 50, 13, 1000, 256}};
  for (const auto& c : cases) {
    CrtMapShape shape = {1, 0, 0.025f, 0.025f, c[4] / 1000.0f, 0.1f};
    std::vector<uint32_t> map = build(c[0], c[1], c[2], c[3], shape);
    for (uint32_t e = 0; e < c[2] * c[3]; e++)
      ASSERT_EQ(weight(entry_at(map, 1, 0, e)), c[5]) << c[2] << ":" << e;
  }
}

// Above 6/5: t = n/(sh*9/5) * contrast * sin(angle)/angle, the rows swing around the base by t.
TEST(CrtMap, ScanlineDepth) {
  CrtMapShape shape = {1, 0, 0, 0, 0.9f, 0.1f};
  // sh 200, oh 480: n = 240 of 360, angle = 5pi/12, sin/angle = 0.73791: t = 0.049194.
  EXPECT_NEAR(crt_map_scanline_depth(200, 480, shape), 0.0491941f, 1e-6f);
  // From 3 sh on n is capped at sh*9/5: at 6x, angle = pi/6, t = 0.1 * 0.5/(pi/6).
  EXPECT_NEAR(crt_map_scanline_depth(200, 1200, shape), 0.0954930f, 1e-6f);
  std::vector<uint32_t> map = build(320, 200, 320, 1200, shape), column;
  for (uint32_t i = 0; i < 1200; i++) column.push_back(weight(entry_at(map, 320, 160, i)));
  // Rows 1 and 4 of every 6 hit cos = 1 and -1: floor((0.9 +- 0.0955) * 256).
  EXPECT_EQ(*std::min_element(column.begin(), column.end()), 205u);
  EXPECT_EQ(*std::max_element(column.begin(), column.end()), 254u);
  shape.scanlines = 0;
  EXPECT_EQ(crt_map_scanline_depth(200, 1200, shape), 0.0f);
}

// Vignette alone darkens the corners but not the middle.
TEST(CrtMap, Vignette) {
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

}  // namespace
