// The DOS prompt interlude: glyph cells, the prompt, the blinking underline cursor and
// the timeline of a tick (quit at 5 s, the name typed from 5.0 to 5.6 s, restart at 6 s).
#include "shell/interlude.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "content/dos_font_data.h"

namespace {

constexpr uint8_t kSentinel = 0xEE;

struct Picture {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kInterludePixels, kSentinel);
  uint8_t at(int x, int y) const { return pixels[y * kInterludeWidth + x]; }
};

using CellRows = std::array<uint8_t, 16>;  // one bit a pixel, the leftmost in bit 7

CellRows glyph(char c) {
  CellRows rows;
  for (int y = 0; y < 16; ++y) rows[y] = kDosFont[uint8_t(c) * 16 + y];
  return rows;
}

// The cursor cell: blank, with glyph rows 13 and 14 lit when shown.
CellRows cursor(bool shown) {
  CellRows rows{};
  rows[13] = rows[14] = shown ? 0xFF : 0;
  return rows;
}

// Whether cell n (column n mod 80, row n / 80) shows `rows` in `fg` on `bg` (light grey on black).
void expect_cell(const Picture& p, uint32_t cell, CellRows rows, uint8_t fg = 7, uint8_t bg = 0) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_EQ(p.at(int(cell % 80) * 8 + x, int(cell / 80) * 16 + y), (rows[y] >> (7 - x)) & 1 ? fg : bg)
          << "cell " << cell << " " << x << "," << y;
}

TEST(Interlude, CharacterCellTakesForegroundAndBackgroundFromTheAttribute) {
  // Cell, character, attribute: the top-left cell; yellow on blue at column 1, row 1; the last cell, which
  // ends on the picture's last pixel; the last column of row 2.
  const uint32_t cases[][3] = {{0, 'A', 0x07}, {81, 'k', 0x1E}, {1999, '#', 0xF0}, {160 + 79, '_', 0x4F}};
  for (const auto& k : cases) {
    Picture p;
    interlude_draw_char(p.pixels.data(), k[0], uint8_t(k[1]), uint8_t(k[2]));
    expect_cell(p, k[0], glyph(char(k[1])), k[2] & 15, uint8_t(k[2] >> 4));
    EXPECT_EQ(std::count(p.pixels.begin(), p.pixels.end(), kSentinel), kInterludePixels - 8 * 16) << k[0];
  }
}

TEST(Interlude, PaletteIsTheSixteenTextColoursThenBlack) {
  uint8_t palette[kFramePaletteSize];
  interlude_palette(palette);
  // Colour, red, green, blue of colours 0, 1, 6 (brown), 7, 8, 9, 14, 15; stored blue, green, red, 0.
  const uint8_t rgb[][4] = {{0, 0, 0, 0},    {1, 0, 0, 170},   {6, 170, 85, 0},    {7, 170, 170, 170},
                            {8, 85, 85, 85}, {9, 85, 85, 255}, {14, 255, 255, 85}, {15, 255, 255, 255}};
  for (const auto& c : rgb)
    EXPECT_EQ((std::vector<uint8_t>(palette + 4 * c[0], palette + 4 * c[0] + 4)),
              (std::vector<uint8_t>{c[3], c[2], c[1], 0}))
        << "colour " << int(c[0]);
  for (uint32_t i = 16 * 4; i < kFramePaletteSize; ++i) ASSERT_EQ(palette[i], 0) << "byte " << i;
}

TEST(Interlude, BeginDrawsThePromptAndTheCursorOnBlack) {
  Picture p;
  InterludeState s;
  interlude_begin(&s, p.pixels.data(), 1234);
  const char prompt[] = "C:\\KOHR\\RELEASES\\KOHR_V97>";
  for (uint32_t i = 0; i < 26; ++i) expect_cell(p, i, glyph(prompt[i]));
  expect_cell(p, 26, cursor(true));
  for (int y = 0; y < kInterludeHeight; ++y)
    for (int x = (y < 16 ? 27 * 8 : 0); x < kInterludeWidth; ++x) ASSERT_EQ(p.at(x, y), 0) << x << "," << y;
  EXPECT_EQ(s.typedCount, 0u);
  EXPECT_EQ(s.interludeStart, 1234u);
}

TEST(Interlude, CursorBlinksEvery500Milliseconds) {
  // Shown first, then hidden: phase boundaries at 500 ms, also across the clock's wrap.
  const uint32_t steps[][2] = {{0, 1},    {499, 1},  {500, 0},  {999, 0},
                               {1000, 1}, {1499, 1}, {1500, 0}, {4999, 0}};
  for (uint32_t start : {0u, 7777u, 0xFFFFFF00u}) {
    Picture p;
    InterludeState s;
    interlude_begin(&s, p.pixels.data(), start);
    for (const auto& step : steps) {
      UpdateCursor(&s, start + step[0]);
      SCOPED_TRACE(testing::Message() << "start " << start << " at " << step[0] << " ms");
      expect_cell(p, 26, cursor(step[1]));
      EXPECT_EQ(s.cursorShown, step[1] ? kCursorVisible : kCursorHidden);
    }
  }
}

TEST(Interlude, StepQuitsAfterFiveSecondsWithoutLoopOrAfterAStop) {
  for (int loop : {0, 1})
    for (int stop : {0, 1}) {
      if (loop && !stop) continue;  // that one types and restarts, below
      Picture p;
      InterludeState s;
      interlude_begin(&s, p.pixels.data(), 100);
      std::vector<uint8_t> before = p.pixels;
      EXPECT_EQ(StepInterlude(&s, 100, loop, stop), kInterludeGoOn);
      EXPECT_EQ(StepInterlude(&s, 5099, loop, stop), kInterludeGoOn);
      EXPECT_EQ(StepInterlude(&s, 5100, loop, stop), kInterludeQuit) << "loop " << loop << ", stop " << stop;
      EXPECT_EQ(s.typedCount, 0u);
      EXPECT_EQ(p.pixels, before) << "something was typed";
    }
}

TEST(Interlude, StepWithLoopTypesTheNameThenRestartsAtSixSeconds) {
  // elapsed ms -> answer, characters typed.
  const uint32_t timeline[][3] = {{0, 0, 0},    {4999, 0, 0}, {5000, 0, 1}, {5099, 0, 1},
                                  {5100, 0, 2}, {5250, 0, 3}, {5599, 0, 6}, {5600, 0, 7},
                                  {5800, 0, 7}, {5999, 0, 7}, {6000, 2, 7}, {6013, 2, 7}};
  const uint32_t start = 0xFFFFF000u;  // the clock wraps during the interlude
  Picture p;
  InterludeState s;
  interlude_begin(&s, p.pixels.data(), start);
  for (const auto& t : timeline) {
    SCOPED_TRACE(testing::Message() << "at " << t[0] << " ms");
    EXPECT_EQ(StepInterlude(&s, start + t[0], 1, 0), int(t[1]));
    ASSERT_EQ(s.typedCount, t[2]);
    for (uint32_t i = 0; i < t[2]; ++i) expect_cell(p, 26 + i, glyph("kohr_97"[i]));
    // The cursor follows the text and is redrawn in the blink phase of that moment.
    UpdateCursor(&s, start + t[0]);
    expect_cell(p, 26 + t[2], cursor(t[0] / 500 % 2 == 0));
  }
  // A tick at 5.45 s after one at 4.9 s draws the first five characters at once.
  interlude_begin(&s, p.pixels.data(), 0);
  EXPECT_EQ(StepInterlude(&s, 4900, 1, 0), kInterludeGoOn);
  EXPECT_EQ(StepInterlude(&s, 5450, 1, 0), kInterludeGoOn);
  EXPECT_EQ(s.typedCount, 5u);
  for (uint32_t i = 0; i < 5; ++i) expect_cell(p, 26 + i, glyph("kohr_"[i]));
  expect_cell(p, 31, cursor(true));  // 5450 ms: first half of a blink period
}

}  // namespace
