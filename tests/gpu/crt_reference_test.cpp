// The CRT's arithmetic against values worked out by hand: the CPU reference of each shader
// operation on small pictures, sample-map entries (rounded toward minus infinity), chroma tables.
#include "gpu/crt_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

#include "gpu/crt_job.h"
#include "gpu/crt_map.h"

namespace {

constexpr uint32_t kW = 6, kH = 4, kStride = kW + 2, kPadded = kStride * (kH + 2);

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return b | g << 8 | r << 16; }

// Padded pictures a and b in, out written by one operation on a 6 x 4 source.
struct Pictures {
  std::vector<uint32_t> a = std::vector<uint32_t>(kPadded, 0), b = a, out = std::vector<uint32_t>(kPadded, 7);
  std::vector<uint32_t> chroma = std::vector<uint32_t>(kW + kH, 0);
  // Pixels (x, y, value) of picture a.
  explicit Pictures(std::initializer_list<std::array<uint32_t, 3>> pixels = {}) {
    for (const auto& p : pixels) at(p[0], p[1]) = p[2];
  }
  uint32_t& at(uint32_t x, uint32_t y) { return a[y * kStride + x]; }
  // Operation op on the whole picture, no mask, the bleed centre alone; one more field set if given.
  CrtParams params(uint32_t op, uint32_t CrtParams::*field = nullptr, uint32_t value = 0) const {
    CrtParams p = {kW, kH, kW, kH, 0, 0, 0, 0, 0, 16, 256, 0, op, 0, 0, 0};
    if (field) p.*field = value;
    return p;
  }
  void run(const CrtParams& p) {
    crt_reference_operation(p, {a.data(), b.data(), nullptr, chroma.data(), nullptr, nullptr}, out.data());
  }
  // Pixels (x, y, value) of the last result.
  void expect(std::initializer_list<std::array<uint32_t, 3>> pixels, const char* what) const {
    for (const auto& p : pixels)
      EXPECT_EQ(out[p[1] * kStride + p[0]], p[2]) << what << " at " << p[0] << "," << p[1];
  }
};

// Whatever the input holds, also in its border, every padded pass writes a black border.
TEST(CrtReference, BorderStaysBlack) {
  for (uint32_t op : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 10u}) {
    Pictures t;
    for (uint32_t& p : t.a) p = rgb(200, 150, 100);
    for (uint32_t& p : t.b) p = rgb(250, 250, 250);
    t.run(t.params(op));
    for (uint32_t y = 0; y < kH + 2; y++)
      for (uint32_t x = 0; x < kStride; x += (y == 0 || y == kH + 1) ? 1 : kW + 1)
        ASSERT_EQ(t.out[y * kStride + x], 0u) << op << " " << x << "," << y;
  }
}

TEST(CrtReference, BrightPassesAndBlurs) {
  Pictures t({{3, 2, rgb(255, 255, 255)},
              {4, 2, rgb(50, 100, 200)}});  // the second's luma (200 + 200 + 50) / 4 = 112
  t.run(t.params(kCrtBloomBright, &CrtParams::bloomThreshold, 200));
  // k = 55*256/56 = 251, k = 251*251 >> 8 = 246, 255*246 >> 8 = 245; 112 is below the threshold.
  t.expect({{3, 2, rgb(245, 245, 245)}, {4, 2, 0}}, "bloom bright");
  t.run(t.params(kCrtGlowBright, &CrtParams::glowThreshold, 96));
  t.expect({{4, 2, rgb(0, 4, 104)}}, "glow bright");
  // One lit blue pixel, 9 taps: 70*255 >> 8 = 69, 56 -> 55, 28 -> 27, 1 -> 0; beyond the picture is black.
  Pictures blur({{2, 1, 255}});
  blur.run(blur.params(kCrtBloomBlurX));
  blur.expect({{1, 1, 55}, {2, 1, 69}, {3, 1, 55}, {4, 1, 27}, {6, 1, 0}, {2, 2, 0}}, "bloom blur");
  blur.run(blur.params(kCrtGlowBlurX));  // 6*255 >> 4 = 95, 4*255 >> 4 = 63, 15
  blur.expect({{2, 1, 95}, {3, 1, 63}, {4, 1, 15}}, "glow blur");
  // Vertical 5 taps added at 50 % to blue 200: 200 + 95*50/100 = 247, below 200 + 63/2; above 255 capped.
  for (uint32_t& v : blur.b) v = 200;
  blur.run(blur.params(kCrtGlowCombine, &CrtParams::glowStrength, 50));
  blur.expect({{2, 1, 247}, {2, 2, 231}}, "glow combine");
  blur.at(2, 2) = 255;
  blur.run(blur.params(kCrtGlowCombine, &CrtParams::glowStrength, 100));
  blur.expect({{2, 1, 255}}, "glow combine, capped");
}

TEST(CrtReference, Persistence) {
  Pictures t({{1, 1, rgb(50, 200, 0)}});
  t.b[1 * kStride + 1] = rgb(200, 100, 255);
  CrtParams p = t.params(kCrtPersistence, &CrtParams::persistenceGain, 128);
  t.run(p);
  t.expect({{1, 1, rgb(100, 200, 127)}}, "max(50, 100), max(200, 50), max(0, 127)");
  p.persistenceReset = 1;
  t.run(p);
  t.expect({{1, 1, rgb(50, 200, 0)}}, "reset");
}

// Colour bleeding along (20, 40, 60), (200, 100, 0), (0, 0, 90): lumas 40, 100, 22.
TEST(CrtReference, ColorBleeding) {
  const uint32_t cases[][3] = {
      // side, x -> pixel. Side 8 drops the centre's chroma: red 100 + ((-20*8 - 22*8 + 8) >> 4) = 79,
      // green 100 + ((-22*8 + 8) >> 4) = 89, blue 100 + ((20*8 + 68*8 + 8) >> 4) = 144
      {8, 2, rgb(79, 89, 144)},
      // centre 10: red 100 + ((-60 + 1000 - 66 + 8) >> 4) = 155, green 96, blue 100 + (-728 >> 4) = 54
      {3, 2, rgb(155, 96, 54)},
      // The edge pixel is its own left neighbour: red 40 + ((-160 + 800 + 8) >> 4) = 80, blue 40 - 40
      {8, 1, rgb(80, 40, 0)},
  };
  for (const auto& c : cases) {
    Pictures t({{1, 1, rgb(20, 40, 60)}, {2, 1, rgb(200, 100, 0)}, {3, 1, rgb(0, 0, 90)}});
    CrtParams p = t.params(kCrtBleed, &CrtParams::bleedSide, c[0]);
    p.bleedCenter = 16 - 2 * c[0];
    t.run(p);
    t.expect({{c[1], 1, c[2]}}, "bleed");
  }
}

// Red from the inward side, blue from the outward side, with fx = 128, fy = 64.
TEST(CrtReference, ChromaticTaps) {
  Pictures t({{1, 1, rgb(100, 7, 80)}, {2, 1, rgb(200, 0, 0)}, {2, 2, rgb(50, 0, 0)}});
  t.chroma[0] = 128, t.chroma[kW] = 64;  // column of x = 1, row of y = 1
  t.run(t.params(kCrtChromatic));
  // red: top 100 + (100*128 >> 8) = 150, bottom 50*128 >> 8 = 25, 150 + (-125*64 >> 8) = 118;
  // blue, outward taps all outside: top 80 - 40 = 40, 40 + (-40*64 >> 8) = 30
  t.expect({{1, 1, rgb(118, 7, 30)}}, "top left");
  // Right and lower halves flip the sides: at (6, 4) red comes from (5, 4), 255*255 >> 8 = 254.
  Pictures u({{5, 4, rgb(255, 0, 0)}});
  u.chroma[kW - 1] = 256 - 1;
  u.run(u.params(kCrtChromatic));
  u.expect({{6, 4, rgb(254, 0, 0)}}, "bottom right");
}

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

// The final pass: bilinear weights, the mask by output column, a zero entry is black.
TEST(CrtReference, Resample) {
  Pictures t({{1, 1, rgb(200, 100, 40)}, {2, 1, rgb(0, 100, 40)}});
  const uint32_t i = 1 * kStride + 1;
  // Half and half at 128/256: (100, 100, 40) * 128 >> 8; all of one pixel, twice; outside.
  const std::vector<uint32_t> maps = {i, 64 | 64u << 16, 0, i, 256, 0, i, 256, 0, 0, 0, 0};
  std::vector<uint32_t> out(4);
  CrtParams p = t.params(kCrtResample, &CrtParams::maskGain, 128);
  p.ow = 4, p.oh = 1;
  crt_reference_operation(p, {t.a.data(), nullptr, maps.data(), nullptr, nullptr, nullptr}, out.data());
  // Columns red, green, blue: the other two channels at 128/256 in each.
  EXPECT_EQ(out, (std::vector<uint32_t>{rgb(50, 25, 10), rgb(100, 100, 20), rgb(100, 50, 40), 0}));
}

TEST(CrtReference, DecodeIndexedAndTrueColor) {
  uint32_t palette[256] = {}, words[kW * kH] = {0, 0xFF112233};  // the top byte is dropped
  palette[7] = rgb(1, 2, 3), palette[9] = rgb(4, 5, 6);
  uint8_t indexed[kW * kH] = {7};
  indexed[kW * kH - 1] = 9;
  Pictures t;
  CrtParams p = t.params(kCrtDecode, &CrtParams::inputPitch, kW);
  CrtReferenceInputs in = {t.a.data(), nullptr, nullptr, nullptr, palette, indexed};
  crt_reference_operation(p, in, t.out.data());
  t.expect({{1, 1, rgb(1, 2, 3)}, {kW, kH, rgb(4, 5, 6)}, {2, 1, 0}}, "indexed");
  p.trueColor = 1, p.inputPitch = kW * 4;
  in.indexed = reinterpret_cast<const uint8_t*>(words);
  crt_reference_operation(p, in, t.out.data());
  t.expect({{2, 1, 0x112233u}}, "true colour");
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

TEST(CrtChroma, TablesAt100And150Percent) {
  // Columns b = |x - 160| / 160 at x = 0, 80, 160, 319: floor(b^3 * 160) = 160, 20, 0, 157; rows
  // b = |y - 100| / 100 at y = 0, 50, 100, 199: floor(b^3 * 100) = 100, 12, 0, 97; 150 % scales both.
  const std::vector<uint32_t> cases[] = {{100, 160, 20, 0, 157, 100, 12, 0, 97},
                                         {150, 240, 30, 0, 235, 150, 18, 0, 145}};
  std::vector<uint32_t> columns(320), rows(200);
  for (const auto& c : cases) {
    crt_chroma_tables(320, 200, c[0], columns.data(), rows.data());
    EXPECT_EQ((std::vector<uint32_t>{c[0], columns[0], columns[80], columns[160], columns[319], rows[0],
                                     rows[50], rows[100], rows[199]}),
              c);
  }
}

}  // namespace
