#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/frame_publish.h"
#include "demo/demo_loop.h"
#include "demo/demo_state.h"
#include "demo/palette_port.h"
#include "tests/demo/fake_shell.h"

namespace {

std::vector<uint8_t> filled_board() {
  std::vector<uint8_t> board(520 * 400);
  checkerboard_fill(board.data());
  return board;
}

// Colour `index`, channel 0 red / 1 green / 2 blue, of a captured WorkingPalette.
int palette_component(const CapturedFrame& f, int component) {
  return f.palette[(component / 3) * 4 + 2 - component % 3];
}

TEST(Checkerboard, RunsOf17WithAShortFirstRunAndBandsOf15Rows) {
  std::vector<uint8_t> board = filled_board();
  for (int x = 0; x < 16; ++x) EXPECT_EQ(board[x], 128) << x;
  for (int x = 16; x < 33; ++x) EXPECT_EQ(board[x], 129) << x;
  EXPECT_EQ(board[33], 128);
  EXPECT_EQ(board[519], 128);   // 30 toggles: the row ends on its first value
  EXPECT_EQ(board[14 * 520], 128);
  EXPECT_EQ(board[15 * 520], 129);   // the next band starts on the other value
  EXPECT_EQ(board[15 * 520 + 16], 128);
  EXPECT_EQ(board[30 * 520], 128);
}

TEST(BackgroundPath, CirclesTheTextureSquashedByFiveSixths) {
  auto entry = [](int x, int y) { return 520 * y + x; };
  EXPECT_EQ(g_demo.BackgroundPath[0], entry(29, 142));
  EXPECT_EQ(g_demo.BackgroundPath[100], entry(100, 167));
  EXPECT_EQ(g_demo.BackgroundPath[300], entry(200, 83));
  for (int i = 0; i < kBackgroundSteps; ++i) {
    int x = g_demo.BackgroundPath[i] % 520, y = g_demo.BackgroundPath[i] / 520;
    ASSERT_LE(x, 200);
    ASSERT_LE(y, 167);   // the 320x200 window stays inside the 520x400 board
  }
}

TEST(PalettePort, StoresSixBitsTimesFourInBlueGreenRedOrderAndWraps) {
  std::memset(WorkingPalette, 0xEE, kFramePaletteSize);
  dac_set_write_index(255);
  dac_write_component(63);         // red
  dac_write_component(0x41);       // green: only the low six bits count
  dac_write_component(2);          // blue
  EXPECT_EQ(g_paletteWritePosition, 0u);   // wrapped after component 767
  dac_write_component(5);
  EXPECT_EQ(WorkingPalette[255 * 4 + 2], 252);
  EXPECT_EQ(WorkingPalette[255 * 4 + 1], 4);
  EXPECT_EQ(WorkingPalette[255 * 4 + 0], 8);
  EXPECT_EQ(WorkingPalette[255 * 4 + 3], 0xEE);   // byte 3 is never written
  EXPECT_EQ(WorkingPalette[0 * 4 + 2], 20);
}

TEST(DemoLoop, FirstFramesAreBlackThenLogoColoursThenTheCheckerboard) {
  const auto& frames = run_demo_frames(12, [](int frame) { return frame >= 4 ? 6u : 0u; });
  ASSERT_EQ(frames.size(), 12u);
  // Cue 0 fires in frame 0's cue check; frame 1 loads colours 142..255; frame 2 shows them.
  for (int c = 0; c < 768; ++c) ASSERT_EQ(palette_component(frames[1], c), 0);
  EXPECT_EQ(palette_component(frames[2], 254 * 3), 252);
  EXPECT_EQ(palette_component(frames[2], 128 * 3 + 2), 0);
  // Key 6 from frame 4: cue 1 fires there, frame 5 loads everything, frame 6 shows it.
  EXPECT_EQ(palette_component(frames[5], 128 * 3 + 2), 0);
  EXPECT_EQ(palette_component(frames[6], 128 * 3 + 0), 7 * 4);
  EXPECT_EQ(palette_component(frames[6], 128 * 3 + 2), 20 * 4);
  EXPECT_EQ(palette_component(frames[6], 129 * 3 + 2), 12 * 4);

  // Frame 2 is the first with a background: the window at path entry 1, row by row
  // below the logo's 49 rows (text and object are still off).
  std::vector<uint8_t> board = filled_board();
  for (int r = 49; r < 200; ++r)
    ASSERT_EQ(0, std::memcmp(&frames[2].pixels[r * 320], &board[g_demo.BackgroundPath[1] + 520 * r], 320)) << r;
  EXPECT_EQ(0, std::memcmp(&frames[3].pixels[49 * 320], &board[g_demo.BackgroundPath[2] + 520 * 49], 320));
}

TEST(DemoLoop, CuesFireOnePerFrameAndRestartAtCue8AfterTheLast) {
  auto late = [](int) { return 4096u; };
  run_demo_frames(25, late);
  EXPECT_EQ(g_demo.cueNext, 25);
  run_demo_frames(26, late);
  EXPECT_EQ(g_demo.cueNext, -1);
  EXPECT_EQ(g_demo.cueFlags[13], 1);
  run_demo_frames(27, late);
  EXPECT_EQ(g_demo.cueNext, 8);   // restarted; nothing fires in that frame
  run_demo_frames(28, late);
  EXPECT_EQ(g_demo.cueNext, 9);
  // A key past the last cue keeps the list finished.
  run_demo_frames(30, [](int frame) { return frame < 26 ? 4096u : 4097u; });
  EXPECT_EQ(g_demo.cueNext, -1);
  // Keys below a cue's time hold it back.
  run_demo_frames(40, [](int) { return 257u; });
  EXPECT_EQ(g_demo.cueNext, 5);
}

TEST(DemoLoop, FadeShowsSixtyThreeStepsAndStopsShortOfTheTarget) {
  // Cues 0..5 fire in frames 0..5 (cue 5 = fade A to B); steps run in frames 6..68.
  const auto& frames = run_demo_frames(90, [](int) { return 258u; });
  const uint8_t* a = g_demo.PaletteA;
  const uint8_t* b = g_demo.PaletteB;
  // Frame 7 + k shows step k: k/64 of the way, rounded down.
  for (int k = 0; k <= 62; ++k) {
    for (int c = 0; c < 768; ++c) {
      int expected = static_cast<int>(std::floor(a[c] + (b[c] - a[c]) * k / 64.0));
      ASSERT_EQ(palette_component(frames[7 + k], c), expected * 4) << "step " << k << " component " << c;
    }
  }
  for (int f = 70; f < 90; ++f) ASSERT_EQ(frames[f].palette, frames[69].palette) << f;
  EXPECT_EQ(g_demo.cueFlags[kFlagFirstFade], 0);
  EXPECT_EQ(g_demo.fadeActive, 0);
}

TEST(DemoLoop, EveryRunRendersTheSameFrames) {
  auto song = [](int frame) { return static_cast<uint32_t>(frame / 8 * 256 / 64 * 2); };
  std::vector<CapturedFrame> first = run_demo_frames(400, song);
  const auto& second = run_demo_frames(400, song);
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); ++i) {
    ASSERT_EQ(first[i].pixels, second[i].pixels) << i;
    ASSERT_EQ(first[i].palette, second[i].palette) << i;
  }
  EXPECT_EQ(g_demo.objectCentreY, 100);   // glided down over the first 200 frames, then held
}

TEST(DemoLoop, FailedMusicStartEndsTheRunWithFailure) {
  g_fake.audioStartFails = true;
  g_fake.exitFailure = false;
  EXPECT_TRUE(run_demo_frames(5).empty());
  EXPECT_TRUE(g_fake.exitFailure);
  g_fake.audioStartFails = false;
}

}  // namespace
