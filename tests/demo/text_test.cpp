// The text layer and the logo against the content generator's own records: pages at
// rest, lines waiting and sliding, kicks, page timing, and the logo's opaque pixels.
#include <gtest/gtest.h>

#include <vector>

#include "demo/demo_state.h"
#include "demo/logo.h"
#include "demo/text.h"
#include "tests/demo/demo_fixture.h"
#include "tools/content/content.h"

namespace {

// Draws `page` with every line at `motion` and the kick at `kick` into a screen of its own.
Bytes draw_page(int page, int motion, int kick) {
  reset_demo_state();
  TestScreen screen;
  DemoState& s = g_demo;
  s.pageIndex = page;
  s.pageLineCount = s.pageTable[page][0];
  for (int32_t& m : s.lineMotion) m = motion;
  s.kickIndex = kick;
  text_draw_page();
  return screen.pixels;
}

// The page at rest drawn from the generator's own records: positioned text and glyph
// pixel lists, not the compiled tables the engine draws from.
Bytes reference_page(int page) {
  static const std::vector<Glyph> font = build_font();
  static const std::vector<TextPage> pages = build_pages();
  Bytes screen(320 * 400, 0);
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
  for (int page = 0; page < kPageCount; ++page)
    ASSERT_EQ(draw_page(page, kMotionSteps - 1, 0), reference_page(page)) << "page " << page;
  // Page 9 is twelve blank lines: a pause of 384 frames.
  EXPECT_EQ(draw_page(9, kMotionSteps - 1, 0), Bytes(320 * 400, 0));
  EXPECT_EQ(g_demo.pageLineCount, 12u);
}

TEST(TextPage, UnreleasedLinesWait200RowsLowerAndKicksShiftLinearly) {
  const Bytes rest = reference_page(0);
  // Kick entry 1 is +20: offsets move 20 bytes on, so glyphs past column 319 continue at
  // the start of the next row (page 0's third line is 311 columns wide from column 4).
  const Bytes waiting = draw_page(0, 0, 0), kicked = draw_page(0, kMotionSteps - 1, 1);
  int wrapped = 0;
  for (size_t i = 0; i < rest.size(); ++i) {
    ASSERT_EQ(waiting[i], i >= 320 * 200 ? rest[i - 320 * 200] : 0) << i;
    ASSERT_EQ(kicked[i], i >= 20 ? rest[i - 20] : 0) << i;
    wrapped += i % 320 < 20 && kicked[i] != 0;
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

  // Two kicks share the index and advance it twice.
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
  EXPECT_EQ(s.MotionTable[0], 200 * 320);
  EXPECT_EQ(s.MotionTable[93], 320);
  EXPECT_EQ(s.MotionTable[94], 0);   // in place
  // frame -> motion of lines 0, 1, 2, 6: the second line starts in frame 32, the seventh in
  // 192; the first stays on the last entry once there.
  const int last = kMotionSteps - 1;
  const int steps[][5] = {{31, 31, 0, 0, 0}, {32, 32, 1, 0, 0}, {94, 94, 63, 31, 0},
                          {200, last, last, last, 9}};
  int frame = 0;
  for (const auto& t : steps) {
    while (frame < t[0]) ++frame, text_advance_lines();
    EXPECT_EQ((Ints{s.lineMotion[0], s.lineMotion[1], s.lineMotion[2], s.lineMotion[6]}),
              (Ints{t[1], t[2], t[3], t[4]})) << "frame " << frame;
  }
}

TEST(TextLines, PagesLast32FramesPerLineAndTheTenRepeatAfter6272) {
  reset_demo_state();
  DemoState& s = g_demo;
  const uint32_t lineCounts[kPageCount] = {24, 20, 20, 21, 10, 24, 24, 22, 19, 12};
  int frame = 0;
  for (int page = 0; page < kPageCount; ++page) {
    ASSERT_EQ(s.pageLineCount, lineCounts[page]) << page;
    int end = frame + 32 * int(lineCounts[page]);
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
  const Bytes logo = build_logo();
  reset_demo_state();
  TestScreen screen(7);
  logo_draw();
  Bytes expected(320 * 400, 7);
  int opaque = 0;
  for (int i = 0; i < kLogoHeight * kLogoWidth; ++i)
    if (logo[i]) {
      expected[320 + i] = logo[i];   // kLogoWidth is the screen's width
      ASSERT_GE(logo[i], 142);
      ASSERT_LE(logo[i], 254);
      ++opaque;
    }
  EXPECT_EQ(screen.pixels, expected);
  EXPECT_EQ(opaque, 6740);
}

}  // namespace
