#include <gtest/gtest.h>

#include <vector>

#include "demo/demo_state.h"
#include "demo/logo.h"
#include "demo/text.h"
#include "tests/demo/fake_shell.h"
#include "tools/content/content.h"

namespace {

// A work screen of its own, with every line of the page at `motion` and the kick at `kick`.
struct TextScreen {
  explicit TextScreen(uint8_t background = 0) : pixels(320 * 400, background) {
    reset_demo_state();
    g_demo.workScreen = pixels.data();
    g_demo.workScreenRow1 = pixels.data() + 320;
  }
  void draw_page(int page, int motion, int kick) {
    DemoState& s = g_demo;
    s.pageIndex = page;
    s.pageLineCount = s.pageTable[page][0];
    for (int32_t& m : s.lineMotion) m = motion;
    s.kickIndex = kick;
    text_draw_page();
  }
  std::vector<uint8_t> pixels;
};

// The page at rest drawn from the generator's own records: positioned text and glyph
// pixel lists, not the compiled tables the engine draws from.
std::vector<uint8_t> reference_page(int page) {
  static const std::vector<Glyph> font = build_font();
  static const std::vector<TextPage> pages = build_pages();
  std::vector<uint8_t> screen(320 * 400, 0);
  for (const TextLine& line : pages[page].lines) {
    uint32_t pen = 320 * (line.row + 1) + line.column;
    for (char c : line.text) {
      const Glyph& g = font[glyph_index(c)];
      for (const GlyphPixel& p : g.pixels) screen[pen + 320 * p.row + p.column] = p.colour;
      pen += g.advance;
    }
  }
  return screen;
}

TEST(TextPage, LinesAtRestDrawAtTheirStartOffsets) {
  for (int page = 0; page < kPageCount; ++page) {
    TextScreen t;
    t.draw_page(page, kMotionSteps - 1, 0);
    ASSERT_EQ(t.pixels, reference_page(page)) << "page " << page;
  }
}

TEST(TextPage, BlankFillerLinesAndThePausePageDrawNothing) {
  TextScreen t;
  t.draw_page(9, kMotionSteps - 1, 0);
  for (uint8_t p : t.pixels) ASSERT_EQ(p, 0);
  EXPECT_EQ(g_demo.pageLineCount, 12u);   // twelve blank lines: a pause of 384 frames
}

TEST(TextPage, UnreleasedLinesWait200RowsLowerAndKicksShiftLinearly) {
  std::vector<uint8_t> rest = reference_page(0);
  TextScreen waiting;
  waiting.draw_page(0, 0, 0);
  for (size_t i = 0; i < rest.size(); ++i)
    ASSERT_EQ(waiting.pixels[i], i >= 320 * 200 ? rest[i - 320 * 200] : 0) << i;
  // Kick entry 1 is +20: offsets move 20 bytes on, so glyphs past column 319 continue at
  // the start of the next row (page 0's third line is 311 columns wide from column 4).
  TextScreen kicked;
  kicked.draw_page(0, kMotionSteps - 1, 1);
  int wrapped = 0;
  for (size_t i = 0; i < rest.size(); ++i) {
    ASSERT_EQ(kicked.pixels[i], i >= 20 ? rest[i - 20] : 0) << i;
    wrapped += i % 320 < 20 && kicked.pixels[i] != 0;
  }
  EXPECT_GT(wrapped, 0);
}

TEST(TextKicks, AKickShowsTheJoltTableThenRestsAndClearsItsFlag) {
  const int expected[kKickSteps] = {0, 20, 16, 8, 0, -4, -4, -1, 2, 2, 1, -1, -2, -1, 1, 1, 1, 0, -1,
                                    -1, 0, 1, 1, 0, -1, -1, 0, 1, 1, 0, -1, -1, 0, 0, 1, 0, 0};
  reset_demo_state();
  DemoState& s = g_demo;
  s.cueFlags[3] = 1;
  for (int frame = 0; frame < kKickSteps; ++frame) {
    ASSERT_EQ(s.KickTable[s.kickIndex], expected[frame]) << frame;   // what this frame draws
    ASSERT_EQ(s.cueFlags[3], 1) << frame;
    text_advance_kicks();
  }
  EXPECT_EQ(s.kickIndex, 0);
  EXPECT_EQ(s.cueFlags[3], 0);
  text_advance_kicks();
  EXPECT_EQ(s.kickIndex, 0);
}

TEST(TextKicks, TwoKicksShareTheIndexAndAdvanceItTwice) {
  reset_demo_state();
  DemoState& s = g_demo;
  s.cueFlags[0] = s.cueFlags[5] = 1;
  for (int frame = 0; frame < 18; ++frame) text_advance_kicks();
  EXPECT_EQ(s.kickIndex, 36);
  text_advance_kicks();   // flag 0 reaches 37 and ends; flag 5 carries on from 0
  EXPECT_EQ(s.cueFlags[0], 0);
  EXPECT_EQ(s.kickIndex, 1);
  for (int frame = 0; frame < 35; ++frame) text_advance_kicks();
  EXPECT_EQ(s.kickIndex, 36);
  text_advance_kicks();
  EXPECT_EQ(s.cueFlags[5], 0);
  EXPECT_EQ(s.kickIndex, 0);
}

TEST(TextLines, ANewLineEvery32FramesSlidingIn94Steps) {
  reset_demo_state();
  DemoState& s = g_demo;
  for (int frame = 1; frame <= 31; ++frame) text_advance_lines();
  EXPECT_EQ(s.lineMotion[0], 31);
  EXPECT_EQ(s.lineMotion[1], 0);
  text_advance_lines();   // frame 32: the second line starts
  EXPECT_EQ(s.lineMotion[1], 1);
  EXPECT_EQ(s.lineMotion[2], 0);
  for (int frame = 33; frame <= 94; ++frame) text_advance_lines();
  EXPECT_EQ(s.lineMotion[0], 94);
  EXPECT_EQ(s.MotionTable[94], 0);   // in place
  EXPECT_EQ(s.MotionTable[93], 320);
  EXPECT_EQ(s.MotionTable[0], 200 * 320);
  for (int frame = 95; frame <= 200; ++frame) text_advance_lines();
  EXPECT_EQ(s.lineMotion[0], kMotionSteps - 1);   // stays on the last entry
  EXPECT_EQ(s.lineMotion[6], 200 - 6 * 32 + 1);   // started in frame 192
}

TEST(TextLines, PagesLast32FramesPerLineAndTheTenRepeatAfter6272) {
  reset_demo_state();
  DemoState& s = g_demo;
  const uint32_t lineCounts[kPageCount] = {24, 20, 20, 21, 10, 24, 24, 22, 19, 12};
  int frame = 0;
  for (int page = 0; page < kPageCount; ++page) {
    ASSERT_EQ(s.pageLineCount, lineCounts[page]) << page;
    int end = frame + 32 * static_cast<int>(lineCounts[page]);
    while (++frame < end) {
      text_advance_lines();
      ASSERT_EQ(s.pageIndex, page) << frame;
    }
    text_advance_lines();   // the frame in which one line more than the page holds would start
    ASSERT_EQ(s.pageIndex, (page + 1) % kPageCount) << frame;
    ASSERT_EQ(s.releaseCounter, 0);
    for (int32_t m : s.lineMotion) ASSERT_EQ(m, 0);
  }
  EXPECT_EQ(frame, 6272);
}

TEST(Logo, DrawsExactlyTheOpaquePixelsOfTheLogoAtRow1) {
  const std::vector<uint8_t> logo = build_logo();
  TextScreen t(7);
  logo_draw();
  int opaque = 0;
  for (int row = 0; row < 400; ++row)
    for (int x = 0; x < 320; ++x) {
      uint8_t want = 7;
      if (row >= 1 && row <= kLogoHeight && logo[(row - 1) * kLogoWidth + x]) want = logo[(row - 1) * kLogoWidth + x];
      ASSERT_EQ(t.pixels[320 * row + x], want) << row << " " << x;
      if (want != 7) {
        ++opaque;
        ASSERT_GE(want, 142);
        ASSERT_LE(want, 254);
      }
    }
  EXPECT_EQ(opaque, 6740);
}

}  // namespace
