// The CPU reference of each shader operation on small pictures, against values
// worked out by hand.
#include "gpu/crt_reference.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <vector>

namespace {

constexpr uint32_t kW = 6, kH = 4, kStride = kW + 2, kPadded = kStride * (kH + 2);

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return b | g << 8 | r << 16; }

// Padded pictures a and b in, out written by one operation on a 6 x 4 source.
struct Pictures {
  std::vector<uint32_t> a = std::vector<uint32_t>(kPadded, 0);
  std::vector<uint32_t> b = std::vector<uint32_t>(kPadded, 0);
  std::vector<uint32_t> out = std::vector<uint32_t>(kPadded, 0x12345678);
  std::vector<uint32_t> chroma = std::vector<uint32_t>(kW + kH, 0);
  uint32_t& at(uint32_t x, uint32_t y) { return a[y * kStride + x]; }
  uint32_t result(uint32_t x, uint32_t y) const { return out[y * kStride + x]; }
  CrtParams params(uint32_t op) const {
    CrtParams p = {};
    p.sw = p.ow = kW;
    p.sh = p.oh = kH;
    p.operation = op;
    p.maskGain = 256;
    p.bleedCenter = 16;
    return p;
  }
  void run(const CrtParams& p) {
    crt_reference_operation(p, {a.data(), b.data(), nullptr, chroma.data(), nullptr, nullptr}, out.data());
  }
  // Pixels (x, y, value) of the last result.
  void expect(std::initializer_list<std::array<uint32_t, 3>> pixels, const char* what) const {
    for (const auto& p : pixels) EXPECT_EQ(result(p[0], p[1]), p[2]) << what << " at " << p[0] << "," << p[1];
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
        ASSERT_EQ(t.result(x, y), 0u) << op << " " << x << "," << y;
  }
}

TEST(CrtReference, BrightPassesAndBlurs) {
  Pictures t;
  t.at(3, 2) = rgb(255, 255, 255);
  t.at(4, 2) = rgb(50, 100, 200);   // luma (200 + 200 + 50) / 4 = 112
  CrtParams p = t.params(kCrtBloomBright);
  p.bloomThreshold = 200;
  t.run(p);
  // k = 55*256/56 = 251, k = 251*251 >> 8 = 246, 255*246 >> 8 = 245; 112 is below the threshold.
  t.expect({{3, 2, rgb(245, 245, 245)}, {4, 2, 0}}, "bloom bright");
  p = t.params(kCrtGlowBright);
  p.glowThreshold = 96;
  t.run(p);
  t.expect({{4, 2, rgb(0, 4, 104)}}, "glow bright");

  // One lit blue pixel through the 9-tap blur: 70*255 >> 8 = 69 on it, 56 -> 55,
  // 28 -> 27, 8 -> 7, 1 -> 0; taps beyond the picture read black.
  Pictures blur;
  blur.at(2, 1) = 255;
  blur.run(blur.params(kCrtBloomBlurX));
  blur.expect({{1, 1, 55}, {2, 1, 69}, {3, 1, 55}, {4, 1, 27}, {6, 1, 0}, {2, 2, 0}}, "bloom blur");
  blur.run(blur.params(kCrtGlowBlurX));   // 6*255 >> 4 = 95, 4*255 >> 4 = 63, 15
  blur.expect({{2, 1, 95}, {3, 1, 63}, {4, 1, 15}}, "glow blur");

  // Vertical 5-tap of the same pixel, added at 50 % to B = 200 (blue only): 200 + 95*50/100
  // = 247; the pixel below gets 63*50/100 = 31; a sum above 255 is capped.
  for (uint32_t& v : blur.b) v = 200;
  p = blur.params(kCrtGlowCombine);
  p.glowStrength = 50;
  blur.run(p);
  blur.expect({{2, 1, 247}, {2, 2, 231}}, "glow combine");
  p.glowStrength = 100;
  blur.at(2, 2) = 255;
  blur.run(p);
  blur.expect({{2, 1, 255}}, "glow combine, capped");
}

TEST(CrtReference, Persistence) {
  Pictures t;
  t.at(1, 1) = rgb(50, 200, 0);
  t.b[1 * kStride + 1] = rgb(200, 100, 255);
  CrtParams p = t.params(kCrtPersistence);
  p.persistenceGain = 128;
  t.run(p);
  t.expect({{1, 1, rgb(100, 200, 127)}}, "max(50, 100), max(200, 50), max(0, 127)");
  p.persistenceReset = 1;
  t.run(p);
  t.expect({{1, 1, rgb(50, 200, 0)}}, "reset");
  p.persistenceReset = 0;
  p.persistenceGain = 0;
  t.run(p);
  t.expect({{1, 1, rgb(50, 200, 0)}}, "gain 0");
}

// Colour bleeding on one row: (20, 40, 60), (200, 100, 0), (0, 0, 90) with lumas
// 40, 100, 22. Side weight 0 keeps the picture; side 8 drops the centre's chroma.
TEST(CrtReference, ColorBleeding) {
  const uint32_t cases[][2] = {
      {0, rgb(200, 100, 0)},
      // red: 100 + ((-20*8 + 0 + (-22)*8 + 8) >> 4) = 100 + (-328 >> 4) = 100 - 21 = 79
      // green: 100 + ((0 + 0 + (-22)*8 + 8) >> 4) = 100 + (-168 >> 4) = 89
      // blue: 100 + ((20*8 + 0 + 68*8 + 8) >> 4) = 100 + 44 = 144
      {8, rgb(79, 89, 144)},
      // side 3, centre 10: red 100 + ((-60 + 1000 - 66 + 8) >> 4) = 155; green
      // 100 + ((0 + 0 - 66 + 8) >> 4) = 96; blue 100 + ((60 - 1000 + 204 + 8) >> 4) = 54
      {3, rgb(155, 96, 54)},
  };
  for (const auto& c : cases) {
    Pictures t;
    t.at(1, 1) = rgb(20, 40, 60);
    t.at(2, 1) = rgb(200, 100, 0);
    t.at(3, 1) = rgb(0, 0, 90);
    CrtParams p = t.params(kCrtBleed);
    p.bleedSide = c[0];
    p.bleedCenter = 16 - 2 * c[0];
    t.run(p);
    EXPECT_EQ(t.result(2, 1), c[1]) << c[0];
  }
  // The edge pixel is its own left neighbour: side 8 at x = 1 with L = M.
  Pictures t;
  t.at(1, 1) = rgb(100, 50, 0);   // luma 50, chroma (50, 0, -50)
  t.at(2, 1) = rgb(50, 50, 50);
  CrtParams p = t.params(kCrtBleed);
  p.bleedSide = 8;
  p.bleedCenter = 0;
  t.run(p);   // red 50 + ((400 + 0 + 8) >> 4) = 75, green 50, blue 50 + ((-400 + 8) >> 4) = 25
  t.expect({{1, 1, rgb(75, 50, 25)}}, "edge");
}

// Red from the inward side, blue from the outward side, with fx = 128, fy = 64.
TEST(CrtReference, ChromaticTaps) {
  Pictures t;
  t.chroma[0] = 128;   // column of x = 1
  t.chroma[kW] = 64;   // row of y = 1
  t.at(1, 1) = rgb(100, 7, 80);
  t.at(2, 1) = rgb(200, 0, 0);
  t.at(2, 2) = rgb(50, 0, 0);
  t.run(t.params(kCrtChromatic));
  // red: top = 100 + (100*128 >> 8) = 150, bottom = 0 + (50*128 >> 8) = 25,
  //      150 + (-125*64 >> 8) = 150 - 32 = 118
  // blue, outward taps all beyond the picture: top = 80 - 40 = 40, 40 + (-40*64 >> 8) = 30
  t.expect({{1, 1, rgb(118, 7, 30)}}, "top left");
  // Right half and lower half flip the sides: at (6, 4) red comes from (5, 4),
  // 0 + (255*255 >> 8) = 254.
  Pictures u;
  u.chroma[kW - 1] = 256 - 1;
  u.at(5, 4) = rgb(255, 0, 0);
  u.run(u.params(kCrtChromatic));
  u.expect({{6, 4, rgb(254, 0, 0)}}, "bottom right");
}

TEST(CrtReference, MaskGain) {
  const uint32_t cases[][7] = {
      // on, m, sw, sh, ow, oh, gain
      {1, 128, 320, 200, 640, 400, 256},    // exactly 2x: no mask
      {1, 128, 320, 200, 641, 401, 256},    // (1*128/640 = 0) just above
      {1, 128, 100, 100, 300, 300, 192},    // 3x: 100*128/200 = 64
      {1, 128, 100, 100, 250, 400, 224},    // min(50*128/200 = 32, 128)
      {1, 128, 100, 100, 900, 900, 128},    // beyond 4x the fade stops at m
      {0, 128, 100, 100, 900, 900, 256},
      {1, 40, 320, 200, 1920, 1080, 216},   // defaults at 1080p: min(80, 68, m = 40)
  };
  for (const auto& c : cases)
    EXPECT_EQ(crt_mask_gain(c[0], c[1], c[2], c[3], c[4], c[5]), c[6]) << c[4] << "x" << c[5];
}

// The final pass: bilinear weights, the mask by output column, a zero entry is black.
TEST(CrtReference, Resample) {
  Pictures t;
  t.at(1, 1) = rgb(200, 100, 40);
  t.at(2, 1) = rgb(0, 100, 40);
  const uint32_t i = 1 * kStride + 1;
  // Half and half at 128/256: (100, 100, 40) * 128 >> 8; all of one pixel, twice; outside.
  const std::vector<uint32_t> maps = {i, 64 | 64u << 16, 0, i, 256, 0, i, 256, 0, 0, 0, 0};
  std::vector<uint32_t> out(4);
  CrtParams p = t.params(kCrtResample);
  p.ow = 4;
  p.oh = 1;
  p.maskGain = 128;
  crt_reference_operation(p, {t.a.data(), nullptr, maps.data(), nullptr, nullptr, nullptr}, out.data());
  // Columns red, green, blue: the other two channels at 128/256 in each.
  EXPECT_EQ(out, (std::vector<uint32_t>{rgb(50, 25, 10), rgb(100, 100, 20), rgb(100, 50, 40), 0}));
}

TEST(CrtReference, DecodeIndexedAndTrueColor) {
  uint32_t palette[256] = {};
  palette[7] = rgb(1, 2, 3);
  palette[9] = rgb(4, 5, 6);
  uint8_t indexed[kW * kH] = {};
  indexed[0] = 7;
  indexed[kW * kH - 1] = 9;
  Pictures t;
  CrtParams p = t.params(kCrtDecode);
  p.inputPitch = kW;
  CrtReferenceInputs in = {t.a.data(), nullptr, nullptr, nullptr, palette, indexed};
  crt_reference_operation(p, in, t.out.data());
  t.expect({{1, 1, rgb(1, 2, 3)}, {kW, kH, rgb(4, 5, 6)}, {2, 1, 0}}, "indexed");
  uint32_t words[kW * kH] = {};
  words[1] = 0xFF112233;   // the top byte is dropped
  p.trueColor = 1;
  p.inputPitch = kW * 4;
  in.indexed = reinterpret_cast<const uint8_t*>(words);
  crt_reference_operation(p, in, t.out.data());
  t.expect({{2, 1, 0x112233u}}, "true colour");
}

}  // namespace
