// The portable half of the composition: destination rectangles, the reference
// stretch, the CRT pass switch, and the overlay's text, font height, layout and rate.
#include "shell/compose.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Ints = std::vector<int>;

TEST(ComposeDestination, WindowedAndFullScreen) {
  const int cases[][11] = {
      // source, client, full screen, StretchToFit, 4:3 -> x, y, width, height
      // Windowed: StretchToFit does not matter.
      {320, 200, 1000, 500, 0, 0, 1, 167, 0, 666, 500},
      {320, 200, 1000, 500, 0, 1, 1, 167, 0, 666, 500},
      {320, 200, 640, 600, 0, 1, 1, 0, 60, 640, 480},
      {320, 200, 320, 240, 0, 1, 1, 0, 0, 320, 240},
      {320, 200, 500, 300, 0, 1, 0, 0, 0, 500, 300},
      {640, 400, 1001, 501, 0, 1, 1, 166, 0, 668, 501},
      // Full screen with StretchToFit: as windowed.
      {320, 200, 1920, 1080, 1, 1, 1, 240, 0, 1440, 1080},
      {320, 200, 1920, 1080, 1, 1, 0, 0, 0, 1920, 1080},
      // Full screen without it: unscaled, centred.
      {320, 200, 1920, 1080, 1, 0, 1, 800, 420, 320, 240},
      {320, 200, 1920, 1080, 1, 0, 0, 800, 440, 320, 200},
      {640, 400, 1920, 1080, 1, 0, 1, 640, 300, 640, 480},
      {640, 400, 1024, 768, 1, 0, 0, 192, 184, 640, 400},
  };
  for (const auto& c : cases) {
    ComposeRect r = compose_destination(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
    EXPECT_EQ((Ints{r.x, r.y, r.width, r.height}), (Ints{c[7], c[8], c[9], c[10]}))
        << c[0] << "x" << c[1] << " in " << c[2] << "x" << c[3] << " " << c[4] << c[5] << c[6];
  }
}

TEST(ComposeReference, BlackBordersAndWholePixelScaling) {
  // 4 x 2 source, each pixel its own colour, shown 3x into a 14 x 8 surface at (1, 1).
  const uint8_t source[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  uint8_t palette[256 * 4] = {};
  for (int i = 0; i < 8; i++)
    palette[4 * i] = uint8_t(10 + i), palette[4 * i + 1] = uint8_t(100 + i),
                palette[4 * i + 2] = uint8_t(200 + i);  // blue, green, red
  std::vector<uint32_t> surface(14 * 8, 0xFFFFFFFF);
  compose_reference(source, palette, 4, 2, surface.data(), 14, 8, ComposeRect{1, 1, 12, 6});
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 14; x++) {
      uint32_t expected = 0;
      if (x >= 1 && x < 13 && y >= 1 && y < 7) {
        int i = (y - 1) / 3 * 4 + (x - 1) / 3;
        expected = uint32_t(200 + i) << 16 | uint32_t(100 + i) << 8 | uint32_t(10 + i);
      }
      EXPECT_EQ(surface[y * 14 + x], expected) << x << "," << y;
    }
}

TEST(ComposeCrt, PassNeedsMasterAndOneEffect) {
  CrtSettings s = g_settings;
  EXPECT_TRUE(compose_crt_pass_in_use(s));
  s.Scanlines = s.Distortion = s.Glow = s.RGBMask = s.Persistence = 0;
  s.ChromaticSeparation = s.ColorBleeding = s.Bloom = 0;
  EXPECT_FALSE(compose_crt_pass_in_use(s));
  s.Bloom = 1;
  EXPECT_TRUE(compose_crt_pass_in_use(s));
  s.crtFiltersEnabled = 0;
  EXPECT_FALSE(compose_crt_pass_in_use(s));
}

TEST(OverlayFont, HeightRule) {
  // 35 is the length of "--.- FPS (--.- ms/frame) [Starting]".
  const uint32_t cases[][5] = {
      {1000, 500, 9, 35, 16},   // h/60 = 8 raised to 16
      {1920, 1080, 9, 35, 18},  // h/60
      {4000, 3000, 1, 35, 36},  // 50 capped at 36
      {640, 240, 9, 35, 11},    // (220/13 - 2) x 4/5
      {320, 240, 1, 35, 13},    // 292 x 5 / 105
      {200, 600, 1, 35, 8},     // 172 x 5 / 105 = 8
      {24, 24, 9, 35, 8},       // both limits floor at 8
      {24, 24, 1, 17, 8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(overlay_font_height(c[0], c[1], c[2], c[3]), c[4]) << c[0] << "x" << c[1] << " " << c[2];
}

TEST(OverlayText, Lines) {
  CrtSettings s = g_settings;
  OverlayState st = {0, 1, 700, 143, "VRR", 1, 16789, "D3D11 (hardware)", "CRT: Off"};
  OverlayText t;
  overlay_build_text(st, s, &t);
  EXPECT_STREQ(t.line[0], "70.0 FPS (14.3 ms/frame) [VRR]");
  EXPECT_STREQ(t.line[1], "Render work: 16.78 ms/frame");
  EXPECT_STREQ(t.line[2], "D3D11 (hardware)");
  EXPECT_STREQ(t.line[3], "CRT: Off");
  ASSERT_EQ(t.listCount, 9);
  const char* list[9] = {"[Space] CRT filters: ON", "[L] Scanlines: ON",   "[C] CRT distortion: ON",
                         "[G] Phosphor glow: ON",   "[R] RGB mask: ON",    "[V] Persistence: OFF",
                         "[H] Chromatic: ON",       "[B] Color bleed: ON", "[O] Bloom: ON"};
  for (int i = 0; i < 9; i++) EXPECT_STREQ(t.list[i], list[i]);

  st = {1, 1, 700, 143, "VSync", 1, 5, "Initializing renderer", "CRT: GPU unavailable"};
  overlay_build_text(st, s, &t);
  EXPECT_STREQ(t.line[0], "Paused [VSync]");
  EXPECT_STREQ(t.line[1], "Render work: 0.00 ms/frame");

  st = {0, 0, 0, 0, "Starting", 0, 0, "Initializing renderer", "CRT: Off"};
  s.crtFiltersEnabled = 0;
  overlay_build_text(st, s, &t);
  EXPECT_STREQ(t.line[0], "--.- FPS (--.- ms/frame) [Starting]");
  EXPECT_STREQ(t.line[1], "Render work: --.-- ms/frame");
  ASSERT_EQ(t.listCount, 1);
  EXPECT_STREQ(t.list[0], "[Space] CRT filters: OFF");
}

// Lines 1-4, list, list step, text x, box left, top, right, bottom.
Ints layout(const OverlayLayout& o) {
  const int* y = o.lineY;
  return {y[0], y[1], y[2], y[3], o.listY, o.listStep, o.textX, o.left, o.top, o.right, o.bottom};
}

TEST(OverlayLayout, BoxAndLines) {
  const int heights[4] = {14, 14, 14, 14};
  EXPECT_EQ(layout(overlay_place(640, 480, heights, 14, 9, 300)),
            (Ints{12, 28, 44, 60, 76, 16, 326, 320, 8, 632, 76 + 9 * 16 + 4}));
  // A small surface clips the box to its height and its left edge to 0.
  const int tall[4] = {20, 18, 16, 16};
  EXPECT_EQ(layout(overlay_place(100, 120, tall, 16, 9, 300)),
            (Ints{12, 34, 54, 72, 90, 18, 6, 0, 8, 92, 120}));
}

TEST(PresentRate, HalfSecondWindowsAndRounding) {
  PresentRateMeter m;
  memset(&m, 0x5A, sizeof m);
  present_rate_reset(&m);
  const int64_t freq = 1000;          // one tick per millisecond
  present_rate_feed(&m, 0, 0, freq);  // starts the window
  for (int t = 10; t < 500; t += 10) {
    present_rate_feed(&m, 0, t, freq);
    ASSERT_FALSE(m.valid) << t;
  }
  present_rate_feed(&m, 0, 500, freq);  // 50 frames in 500 ms
  ASSERT_TRUE(m.valid);
  EXPECT_EQ((Ints{int(m.fps10), int(m.ms10)}), (Ints{1000, 100}));
  // 3 frames in 700 ms: 4.2857 fps -> 4.3, 233.33 ms -> 233.3.
  for (int t : {600, 900, 1200}) present_rate_feed(&m, 0, t, freq);
  EXPECT_EQ((Ints{int(m.fps10), int(m.ms10)}), (Ints{43, 2333}));
  // 7 frames in 500 ms: 14 fps, 71.43 ms -> 714.
  for (int i = 1; i <= 7; i++) present_rate_feed(&m, 0, 1200 + (i == 7 ? 500 : i * 60), freq);
  EXPECT_EQ((Ints{int(m.fps10), int(m.ms10)}), (Ints{140, 714}));
  // A pause drops the reading; the next present only starts a new window.
  present_rate_feed(&m, 1, 1800, freq);
  EXPECT_FALSE(m.valid);
  present_rate_feed(&m, 0, 1900, freq);
  EXPECT_FALSE(m.valid);
  present_rate_feed(&m, 0, 2400, freq);
  EXPECT_TRUE(m.valid);
  EXPECT_EQ(m.fps10, 20u);
}

}  // namespace
