// Mixer: exact output for channels whose state is set by hand before each tick, so
// every value follows from the resampling, filter and cross-fade arithmetic alone.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/audio/module_checks.h"

namespace {

// One instrument and channel per sample, and a buffer with 16 guard values past the
// length the mixer asks for.
struct Mix {
  explicit Mix(const std::vector<XmSample>& samples, int32_t interpolation = 1)
      : song(int(samples.size()), 1, 64, instruments(samples)),
        replay(replay_create(song.m, 44100, interpolation)),
        buffer(mix_buffer_length(44100) + 16, 0x5A5A) {}
  ~Mix() { replay_free(replay); }
  static std::vector<XmInstrument> instruments(const std::vector<XmSample>& samples) {
    std::vector<XmInstrument> v;
    for (const XmSample& s : samples) v.push_back(xm_instrument(s));
    return v;
  }
  // Channel i plays sample i; the replay recomputes this after every tick, so tests set it before each.
  void play(int32_t i, int32_t frequency, int32_t amplitude, int32_t panning) {
    Channel& c = replay->channels[i];
    c.sample = &song.m->instruments[i + 1].samples[0];
    c.frequency = frequency, c.amplitude = amplitude, c.outputPanning = panning;
  }
  int32_t tick(uint32_t mute = 0) { return mix_tick(replay, buffer.data(), mute); }
  int32_t left(int32_t k) const { return buffer[2 * k]; }
  int32_t right(int32_t k) const { return buffer[2 * k + 1]; }
  Ints position(int32_t i) const {
    return {replay->channels[i].samplePosition, replay->channels[i].sampleFraction};
  }
  Song song;
  Replay* replay;
  std::vector<int32_t> buffer;
};

// 16-bit frames, looped from loopStart for loopLength frames (-1: to the end; 0: no loop).
XmSample frames(std::vector<int> values, int loopStart = 0, int loopLength = -1) {
  const int length = loopLength < 0 ? int(values.size()) : loopLength;
  return xm_sample(std::move(values), length ? 0x11 : 0x10, 2 * loopStart, 2 * length);
}

TEST(Mixer, TheLongestTickFitsTheBuffer) {
  Mix m({xm_constant(30000)});
  m.song.note(0, 0, 0) = Note{0, 0, 0, kFxSpeedTempo, 0x20};
  m.song.m->defaultTempo = 255;
  replay_set_position(m.replay, 0);
  m.play(0, 500000, 16384, 128);
  EXPECT_EQ(m.tick(), 3445);  // the row set tempo 32 on the tick before
  for (size_t i = m.buffer.size() - 16; i < m.buffer.size(); ++i) EXPECT_EQ(m.buffer[i], 0x5A5A);
}

TEST(Mixer, ChannelsAddUpAndMutedOrSilentOnesStillAdvance) {
  // 70 channels of constant 1000 at centre: 1000 * 8128 >> 15 = 248 left and
  // 1000 * 8192 >> 15 = 250 right each (the filter keeps a constant); only 32 can be muted.
  for (uint32_t mute : {0u, 0xFFFFFFFFu}) {
    Mix m(std::vector<XmSample>(70, xm_constant(1000)));
    for (int32_t i = 0; i < 70; ++i) m.play(i, 8363, 16384, 128);
    m.tick(mute);
    EXPECT_EQ((Ints{m.left(100), m.right(100)}), (Ints{(mute ? 38 : 70) * 248, (mute ? 38 : 70) * 250}));
  }
  Mix m(std::vector<XmSample>(3, xm_constant(8192, 4000)));
  m.play(0, 11025, 16384, 0);    // left only: 8192 * 16320 >> 15 = 4080
  m.play(1, 11025, 16384, 255);  // right only, muted below
  m.play(2, 11025, 0, 128);      // silent
  m.tick(0x2);
  for (int32_t k = 24; k < 882; ++k) ASSERT_EQ((Ints{m.left(k), m.right(k)}), (Ints{4080, 0})) << k;
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(m.position(i), (Ints{220, 16384})) << i;  // 1764 steps of 1/8
}

TEST(Mixer, KnownStepWithInterpolation) {
  // data[i] = 32 i played at 1/8 frame per double-rate frame gives m = 4 i; the right
  // gain 32768 * 128 >> 8 = 16384 halves it, and the 1/4-1/2-1/4 filter makes 4 k + 2.
  // Four times that amplitude gives gains past 16 bits, which the mixer takes as well.
  std::vector<int> ramp(1024);
  for (int i = 0; i < 1024; ++i) ramp[i] = 32 * i;
  for (int32_t scale : {1, 4}) {
    Mix m({frames(ramp)});
    m.play(0, 11025, 32768 * scale, 128);  // step 11025 * 4096 / 11025 = 4096
    ASSERT_EQ(m.tick(), 882);
    // The left gain is 127 * 32768 >> 8 = 16256 (times the scale).
    auto l = [scale](int32_t i) { return 4 * i * 16256 * scale >> 15; };
    for (int32_t k = 24; k < 882; ++k) {
      ASSERT_EQ(m.right(k), (4 * k + 2) * scale) << k;
      ASSERT_EQ(m.left(k), (l(2 * k) >> 2) + (l(2 * k + 1) >> 1) + (l(2 * k + 2) >> 2)) << k;
    }
    // 1764 frames at 1/8: 220.5 frames on.
    EXPECT_EQ(m.position(0), (Ints{220, 16384}));
  }
}

TEST(Mixer, TickStartsCrossFadeFromTheRamp) {
  Mix m({xm_constant(8192)});
  // 8192 * (16384 * 128 >> 8) >> 15 = 2048 on the right; 8192 * (127 * 16384 >> 8) >> 15 = 2032 left.
  m.play(0, 8000, 16384, 128);
  m.tick();
  for (int32_t j = 0; j <= 24; ++j) {  // a = 0, 11, .. 253: 24 frames at 44100 Hz
    ASSERT_EQ(m.right(j), j < 24 ? 2048 * 11 * j >> 8 : 2048) << j;
    ASSERT_EQ(m.left(j), j < 24 ? 2032 * 11 * j >> 8 : 2032) << j;
  }
  m.play(0, 8000, 16384, 128);
  m.tick();
  for (int32_t k = 0; k < 882; ++k) ASSERT_EQ(m.right(k), 2048) << k;
  m.play(0, 8000, 0, 128);  // silence fades out over the same 24 frames
  m.tick();
  for (int32_t k = 0; k < 882; ++k) ASSERT_EQ(m.right(k), k < 24 ? 2048 - 88 * k : 0) << k;
}

TEST(Mixer, SampleEndsAndShortLoops) {
  // One sample frame per double-rate frame (88200 Hz): the filter spreads the end.
  // The second sample's loop of one frame behaves as no loop.
  Mix m({frames(std::vector<int>(100, 8192), 0, 0), frames(std::vector<int>(60, 8192), 50, 1)});
  m.play(0, 88200, 16384, 0);
  m.play(1, 88200, 16384, 255);
  m.tick();
  for (int32_t k = 24; k < 882; ++k) {
    ASSERT_EQ(m.left(k), k < 49 ? 4080 : k == 49 ? 1020 + 2040 : 0) << k;  // 98, 99 and the silent 100
    ASSERT_EQ(m.right(k), k < 25 ? 4080 : k == 25 ? 1020 : 0) << k;        // frame 50 is the last one played
  }
  // Parked at the end, and at the loop end like a sample end.
  EXPECT_EQ((Ints{m.position(0)[0], m.position(1)[0]}), (Ints{100, 51}));

  // The next tick, slower (1/8 frame per step): the one-frame loop stays silent
  // instead of sounding frame 50 again for the tick's first 8 double-rate frames.
  m.play(0, 88200, 16384, 0);
  m.play(1, 11025, 16384, 255);
  m.tick();
  for (int32_t k = 0; k < 882; ++k) ASSERT_EQ(m.right(k), 0) << k;
  EXPECT_EQ(m.position(1)[0], 51);
}

TEST(Mixer, InterpolationUsesTheLoopEndCopy) {
  // A two-frame loop {0, 16384} at a quarter frame per step: the frame after the
  // loop end reads the copy of the loop start, giving a triangle of period 8.
  const int32_t linear[4] = {2048, 6144, 6144, 2048};
  const int32_t nearest[4] = {0, 2048, 8192, 6144};
  for (int32_t interpolation = 0; interpolation < 2; ++interpolation) {
    Mix m({frames({0, 16384})}, interpolation);
    m.play(0, 22050, 32768, 128);  // step 8192, right gain 16384
    m.tick();
    for (int32_t k = 24; k < 882; ++k)
      ASSERT_EQ(m.right(k), interpolation ? linear[k & 3] : nearest[k & 3]) << k;
  }
}

}  // namespace
