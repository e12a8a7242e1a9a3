// The 70 Hz frame clock, the render-work meter and the published frame's header.
#include "shell/pacing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/frame_publish.h"
#include "shell/render_meter.h"

namespace {

// Steps an injected millisecond clock one ms at a time and returns the times at
// which frames are shown; frame `stallAt` is held back by `stallMs`.
std::vector<uint32_t> frame_times(uint32_t start, int frames, int stallAt = -1, uint32_t stallMs = 0) {
  PacingState p{start, 0, 0};
  std::vector<uint32_t> shown;
  uint32_t now = start;
  for (int f = 0; f < frames; ++f) {
    if (f == stallAt) now += stallMs;
    while (!pacing_frame_due(p, now)) ++now;
    pacing_advance(p, now);
    shown.push_back(now);
  }
  return shown;
}

TEST(Pacing, PeriodsRepeat14_14_14_15_14_14_15) {
  std::vector<uint32_t> t = frame_times(1000, 71);
  const uint32_t pattern[7] = {14, 14, 14, 15, 14, 14, 15};
  for (size_t i = 1; i < t.size(); ++i) EXPECT_EQ(t[i] - t[i - 1], pattern[(i - 1) % 7]) << i;
  EXPECT_EQ(t[70] - t[0], 1000u);   // 70 frames a second
  t = frame_times(0xFFFFFFF0u, 8);  // across the clock's wrap
  EXPECT_EQ(t[7] - t[0], 100u);
}

TEST(Pacing, StallsOf100MsOrMoreAreNotCaughtUpShorterOnesAre) {
  std::vector<uint32_t> t = frame_times(0, 20, 10, 120);
  EXPECT_EQ(t[10], t[9] + 120);  // 106 ms late
  EXPECT_TRUE(t[11] - t[10] == 14 || t[11] - t[10] == 15) << t[11] - t[10];
  // Frames 10 to 14 come at once; the grid is kept.
  t = frame_times(0, 20, 10, 60);
  EXPECT_EQ(t[11], t[10]);
  EXPECT_EQ(t[19], frame_times(0, 20)[19]);
}

TEST(RenderWorkMeter, AveragesWorkPerFrameOverHalfSecondWindows) {
  RenderWorkMeter m;
  const int64_t f = 1000000;  // 1 MHz counter: ticks are microseconds
  meter_start(m, f, 0);
  int64_t now = 0;
  for (int frame = 0; frame < 35; ++frame) {
    meter_begin(m, now);
    meter_end(m, now + 3001);  // 3.001 ms of work
    now += 14286;
    meter_close_frame(m, now);
  }
  ASSERT_TRUE(m.resultValid);
  EXPECT_EQ(m.microsecondsPerFrame, 3001u);
  // Suspended time does not count; an end without a begin adds nothing.
  meter_begin(m, now);
  meter_suspend(m, now + 100);
  meter_end(m, now + 5000);
  meter_resume(m, now + 6000);
  meter_end(m, now + 6050);
  EXPECT_EQ(m.accumulated, 150);
  // Rounded to the nearest microsecond: at 3 ticks a second one tick is 333,333.3 us.
  meter_start(m, 3, 0);
  meter_begin(m, 0);
  meter_end(m, 1);
  meter_close_frame(m, 2);
  EXPECT_EQ(m.microsecondsPerFrame, 333333u);
  meter_begin(m, 2);
  meter_end(m, 4);
  meter_close_frame(m, 4);
  EXPECT_EQ(m.microsecondsPerFrame, 666667u);
}

// A BITMAPINFOHEADER for 320 x -200 (top-down), 1 plane, 8 bpp, BI_RGB, 64,000 image
// bytes, no resolution, 256 colours used and important.
TEST(FrameHeader, BitmapInfoHeaderOfTheIndexedFrame) {
  uint8_t header[kFrameHeaderSize];
  memset(header, 0xAA, sizeof header);
  frame_header_init(header);
  // clang-format off
  const uint8_t expected[kFrameHeaderSize] = {
      40, 0, 0, 0, 0x40, 1, 0, 0, 0x38, 0xFF, 0xFF, 0xFF, 1, 0, 8, 0,   // size, width, height, planes, bits
      0, 0, 0, 0, 0, 0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0};
  // clang-format on
  EXPECT_EQ(std::vector<uint8_t>(header, header + 40), std::vector<uint8_t>(expected, expected + 40));
}

}  // namespace
