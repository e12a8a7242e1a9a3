// The text layer and the logo against the content generator's own records: pages at rest,
// lines waiting and sliding, kicks, page timing, and the logo's opaque pixels.
#include "demo/text.h"

#include <gtest/gtest.h>

#include <vector>

#include "demo/logo.h"
#include "tests/demo/demo_fixture.h"
#include "tools/content/content.h"

namespace {

const std::vector<TextPage>& pages() {
  static const auto built = build_pages();
  return built;
}
const int kRest = kMotionSteps - 1;  // a line in place
DemoState& s = g_demo;

// Draws `page` with every line at `motion` and the kick at `kick` into a screen of its own.
Bytes draw_page(int page, int motion, int kick) {
  reset_demo_state();
  TestScreen screen;
  s.pageIndex = page, s.pageLineCount = s.pageTable[page][0], s.kickIndex = kick;
  for (int32_t& m : s.lineMotion) m = motion;
  text_draw_page();
  return screen.pixels;
}

// The page at rest drawn from the generator's positioned text and glyph pixel lists, not
// from the compiled tables the engine draws from.
Bytes reference_page(int page) {
  static const std::vector<Glyph> font = build_font();
  Bytes screen(320 * 400, 0);
  for (const TextLine& line : pages()[page].lines) {
    uint32_t pen = 320 * (line.row + 1) + line.column;
    for (char c : line.text) {
      const Glyph& g = font[glyph_index(c)];
      for (const GlyphPixel& p : g.pixels) screen[pen + 320 * p.row + p.column] = p.colour;
      pen += g.advance;
    }
  }
  return screen;
}

TEST(TextPage, LinesAtRestWaitingAndKicked) {
  for (int page = 0; page < kPageCount; ++page)
    ASSERT_EQ(draw_page(page, kRest, 0), reference_page(page)) << "page " << page;
  // Unreleased lines wait 200 rows lower. Kick entry 1 is +20: glyphs past column 319 go on at
  // the start of the next row (page 0's third line is 311 columns wide from column 4).
  const Bytes rest = reference_page(0), waiting = draw_page(0, 0, 0), kicked = draw_page(0, kRest, 1);
  for (size_t i = 0; i < rest.size(); ++i) {
    ASSERT_EQ(waiting[i], i >= 320 * 200 ? rest[i - 320 * 200] : 0) << i;
    ASSERT_EQ(kicked[i], i >= 20 ? rest[i - 20] : 0) << i;
  }
}

TEST(TextKicks, AKickStepsOnceThroughTheTableAndTwoKicksShareTheIndex) {
  reset_demo_state();
  auto advance = [](int frames) {  // -> kick index, flags 0, 3 and 5
    for (int i = 0; i < frames; ++i) text_advance_kicks();
    return Ints{s.kickIndex, s.cueFlags[0], s.cueFlags[3], s.cueFlags[5]};
  };
  s.cueFlags[3] = 1;
  for (int frame = 1; frame <= 36; ++frame) ASSERT_EQ(advance(1), (Ints{frame, 0, 1, 0}));  // flag held
  EXPECT_EQ(advance(1), (Ints{0, 0, 0, 0}));  // the 37th step ends the kick
  EXPECT_EQ(advance(1), (Ints{0, 0, 0, 0}));  // and nothing moves without one
  s.cueFlags[0] = s.cueFlags[5] = 1;          // each advances the shared index
  EXPECT_EQ(advance(18), (Ints{36, 1, 0, 1}));
  EXPECT_EQ(advance(1), (Ints{1, 0, 0, 1}));  // flag 0 reaches 37 and ends; flag 5 goes on from 0
}

TEST(TextLines, ANewLineEvery32FramesSlidingIn94StepsAndPagesOf32FramesALine) {
  reset_demo_state();
  // {frame, motion of lines 0, 1, 2 and 6}: the second line starts in frame 32, the seventh in
  // 192; the first stays on the last entry once there.
  const int steps[][5] = {
      {31, 31, 0, 0, 0}, {32, 32, 1, 0, 0}, {94, 94, 63, 31, 0}, {200, kRest, kRest, kRest, 9}};
  int frame = 0;
  for (const auto& t : steps) {
    while (frame < t[0]) ++frame, text_advance_lines();
    EXPECT_EQ((Ints{s.lineMotion[0], s.lineMotion[1], s.lineMotion[2], s.lineMotion[6]}),
              (Ints{t[1], t[2], t[3], t[4]}))
        << "frame " << frame;
  }
  // A page lasts 32 frames a line: it turns in the frame in which one line more would start,
  // with every line back at the start; the ten pages repeat after 6272 frames.
  reset_demo_state(), frame = 0;
  for (int page = 0; page < kPageCount; ++page) {
    ASSERT_EQ(s.pageLineCount, pages()[page].lineCount) << page;
    for (int end = frame + 32 * int(pages()[page].lineCount); ++frame < end;) {
      text_advance_lines();
      ASSERT_EQ(s.pageIndex, page) << frame;
    }
    text_advance_lines();
    ASSERT_EQ(s.pageIndex, (page + 1) % kPageCount) << frame;
    ASSERT_EQ(s.releaseCounter, 0);
    for (int32_t m : s.lineMotion) ASSERT_EQ(m, 0);
  }
  EXPECT_EQ(frame, 6272);
}

TEST(Logo, DrawsExactlyTheOpaquePixelsOfTheLogoAtRow1) {
  const Bytes logo = build_logo();  // as wide as the screen, 0 where transparent
  TestScreen screen(7);
  logo_draw();
  Bytes expected(320 * 400, 7);
  int opaque = 0, highlights = 0;
  for (int i = 0; i < kLogoHeight * kLogoWidth; ++i) {
    if (logo[i]) expected[320 + i] = logo[i], ++opaque;
    highlights += logo[i] == 254;
    ASSERT_TRUE(!logo[i] || (logo[i] >= 142 && logo[i] <= 254)) << i;  // colours of the first palette load
  }
  EXPECT_EQ(screen.pixels, expected);
  // As many pixels as the compiled image holds, the glowing rules across the first and last rows.
  EXPECT_EQ((Ints{opaque, logo[0] && logo[319] && logo[48 * 320] && logo[48 * 320 + 319]}), (Ints{6740, 1}));
  EXPECT_GT(highlights, 0);
}

}  // namespace
