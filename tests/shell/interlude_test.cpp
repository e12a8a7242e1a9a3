// The DOS prompt interlude: glyph cells, the prompt, the blinking underline cursor and
// the timeline of a tick (quit at 5 s, the name typed from 5.0 to 5.6 s, restart at 6 s).
#include "shell/interlude.h"

#include <gtest/gtest.h>

#include <vector>

#include "content/dos_font_data.h"

namespace {

constexpr uint8_t kSentinel = 0xEE;

struct Picture {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kInterludePixels, kSentinel);
  uint8_t at(int x, int y) const { return pixels[y * kInterludeWidth + x]; }
};

// The 8 x 16 cell of cell number n, as (column, row) of its top-left pixel.
int cell_x(uint32_t n) { return int(n % 80) * 8; }
int cell_y(uint32_t n) { return int(n / 80) * 16; }

// Whether the cell shows character c in light grey on black.
void expect_char(const Picture& p, uint32_t cell, char c) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t want = (kDosFont[uint8_t(c) * 16 + y] >> (7 - x)) & 1 ? 7 : 0;
      ASSERT_EQ(p.at(cell_x(cell) + x, cell_y(cell) + y), want)
          << "cell " << cell << " '" << c << "' " << x << "," << y;
    }
}

// The cursor cell: blank with, when shown, glyph rows 13 and 14 in colour 7.
void expect_cursor(const Picture& p, uint32_t cell, bool shown) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t want = shown && (y == 13 || y == 14) ? 7 : 0;
      ASSERT_EQ(p.at(cell_x(cell) + x, cell_y(cell) + y), want) << "cursor cell " << cell << " row " << y;
    }
}

TEST(Interlude, CharacterCellTakesForegroundAndBackgroundFromTheAttribute) {
  struct Case {
    uint32_t cell;
    uint8_t c, attribute;
    int x, y;
  };
  const Case cases[] = {
      {0, 'A', 0x07, 0, 0},         // top-left cell
      {81, 'k', 0x1E, 8, 16},       // column 1, row 1: yellow on blue
      {1999, '#', 0xF0, 632, 384},  // last cell: ends on the last pixel of the picture
      {160 + 79, '_', 0x4F, 632, 32},
  };
  for (const Case& k : cases) {
    Picture p;
    interlude_draw_char(p.pixels.data(), k.cell, k.c, k.attribute);
    int set = 0;
    for (int y = 0; y < kInterludeHeight; ++y)
      for (int x = 0; x < kInterludeWidth; ++x) {
        bool inside = x >= k.x && x < k.x + 8 && y >= k.y && y < k.y + 16;
        if (!inside) {
          ASSERT_EQ(p.at(x, y), kSentinel) << "pixel " << x << "," << y << " outside cell " << k.cell;
          continue;
        }
        bool bit = (kDosFont[k.c * 16 + (y - k.y)] >> (7 - (x - k.x))) & 1;
        ASSERT_EQ(p.at(x, y), bit ? (k.attribute & 15) : (k.attribute >> 4)) << x << "," << y;
        set += bit;
      }
    EXPECT_GT(set, 0) << "glyph '" << k.c << "' drew no foreground";
  }
}

TEST(Interlude, PaletteIsTheSixteenTextColoursThenBlack) {
  uint8_t palette[kFramePaletteSize];
  interlude_palette(palette);
  // red, green, blue of colours 0, 1, 6 (brown), 7, 8, 14, 15; stored blue, green, red, 0.
  const uint8_t rgb[][4] = {{0, 0, 0, 0},    {1, 0, 0, 170},   {6, 170, 85, 0},    {7, 170, 170, 170},
                            {8, 85, 85, 85}, {9, 85, 85, 255}, {14, 255, 255, 85}, {15, 255, 255, 255}};
  for (const auto& c : rgb) {
    const uint8_t* e = palette + 4 * c[0];
    EXPECT_EQ(e[0], c[3]) << "blue of " << int(c[0]);
    EXPECT_EQ(e[1], c[2]) << "green of " << int(c[0]);
    EXPECT_EQ(e[2], c[1]) << "red of " << int(c[0]);
    EXPECT_EQ(e[3], 0);
  }
  for (uint32_t i = 16 * 4; i < kFramePaletteSize; ++i) ASSERT_EQ(palette[i], 0) << "byte " << i;
}

TEST(Interlude, BeginDrawsThePromptAndTheCursorOnBlack) {
  Picture p;
  InterludeState s;
  interlude_begin(&s, p.pixels.data(), 1234);
  const char prompt[] = "C:\\KOHR\\RELEASES\\KOHR_V97>";
  for (uint32_t i = 0; i < 26; ++i) expect_char(p, i, prompt[i]);
  expect_cursor(p, 26, true);
  for (int y = 0; y < kInterludeHeight; ++y)
    for (int x = (y < 16 ? 27 * 8 : 0); x < kInterludeWidth; ++x) ASSERT_EQ(p.at(x, y), 0) << x << "," << y;
  EXPECT_EQ(s.typedCount, 0u);
  EXPECT_EQ(s.interludeStart, 1234u);
}

TEST(Interlude, CursorBlinksEvery500Milliseconds) {
  // Shown first, then hidden: phase boundaries at 500 ms, also across the clock's wrap.
  const uint32_t starts[] = {0, 7777, 0xFFFFFF00u};
  const struct {
    uint32_t elapsed;
    bool shown;
  } steps[] = {
      {0, true},    {499, true},  {500, false},  {999, false},
      {1000, true}, {1499, true}, {1500, false}, {4999, false},
  };
  for (uint32_t start : starts) {
    Picture p;
    InterludeState s;
    interlude_begin(&s, p.pixels.data(), start);
    for (const auto& step : steps) {
      UpdateCursor(&s, start + step.elapsed);
      SCOPED_TRACE(testing::Message() << "start " << start << " at " << step.elapsed << " ms");
      expect_cursor(p, 26, step.shown);
      EXPECT_EQ(s.cursorShown, step.shown ? kCursorVisible : kCursorHidden);
    }
  }
}

TEST(Interlude, StepQuitsAfterFiveSecondsWithoutLoopOrAfterAStop) {
  struct Case {
    int loop, stop;
  };
  for (Case k : {Case{0, 0}, Case{1, 1}, Case{0, 1}}) {
    Picture p;
    InterludeState s;
    interlude_begin(&s, p.pixels.data(), 100);
    std::vector<uint8_t> before = p.pixels;
    EXPECT_EQ(StepInterlude(&s, 100, k.loop, k.stop), kInterludeGoOn);
    EXPECT_EQ(StepInterlude(&s, 100 + 4999, k.loop, k.stop), kInterludeGoOn);
    EXPECT_EQ(StepInterlude(&s, 100 + 5000, k.loop, k.stop), kInterludeQuit)
        << "loop " << k.loop << " stop " << k.stop;
    EXPECT_EQ(s.typedCount, 0u);
    EXPECT_EQ(p.pixels, before) << "something was typed";
  }
}

TEST(Interlude, StepWithLoopTypesTheNameThenRestartsAtSixSeconds) {
  // elapsed ms -> answer, characters typed.
  const struct {
    uint32_t elapsed;
    int answer;
    uint32_t typed;
  } timeline[] = {
      {0, 0, 0},    {4999, 0, 0}, {5000, 0, 1}, {5099, 0, 1}, {5100, 0, 2}, {5250, 0, 3},
      {5599, 0, 6}, {5600, 0, 7}, {5800, 0, 7}, {5999, 0, 7}, {6000, 2, 7}, {6013, 2, 7},
  };
  const char typed[] = "kohr_97";
  const uint32_t start = 0xFFFFF000u;  // the clock wraps during the interlude
  Picture p;
  InterludeState s;
  interlude_begin(&s, p.pixels.data(), start);
  for (const auto& t : timeline) {
    SCOPED_TRACE(testing::Message() << "at " << t.elapsed << " ms");
    EXPECT_EQ(StepInterlude(&s, start + t.elapsed, 1, 0), t.answer);
    ASSERT_EQ(s.typedCount, t.typed);
    for (uint32_t i = 0; i < t.typed; ++i) expect_char(p, 26 + i, typed[i]);
    // The cursor follows the text and is redrawn in the blink phase of that moment.
    UpdateCursor(&s, start + t.elapsed);
    expect_cursor(p, 26 + t.typed, (t.elapsed / 500) % 2 == 0);
  }
}

TEST(Interlude, TypingSkipsAheadAfterALateTick) {
  // A tick at 5.45 s after one at 4.9 s draws the first five characters at once.
  Picture p;
  InterludeState s;
  interlude_begin(&s, p.pixels.data(), 0);
  EXPECT_EQ(StepInterlude(&s, 4900, 1, 0), kInterludeGoOn);
  EXPECT_EQ(StepInterlude(&s, 5450, 1, 0), kInterludeGoOn);
  EXPECT_EQ(s.typedCount, 5u);
  for (uint32_t i = 0; i < 5; ++i) expect_char(p, 26 + i, "kohr_"[i]);
  expect_cursor(p, 31, true);  // 5450 ms: first half of a blink period
}

}  // namespace
