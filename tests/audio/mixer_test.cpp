// Mixer: exact output for channels whose state is set by hand before each tick, so
// every value follows from the resampling, filter and cross-fade arithmetic alone.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/audio/test_song.h"

namespace {

struct ReplayDeleter {
  void operator()(Replay* r) const { replay_free(r); }
};
using ReplayPtr = std::unique_ptr<Replay, ReplayDeleter>;

// Points channel i at instrument i + 1's sample with the given state; the replay
// recomputes the state after every tick, so tests set it again before each one.
void play(Replay* r, int32_t i, int32_t frequency, int32_t amplitude, int32_t panning) {
  Channel& c = r->channels[i];
  c.sample = &r->module->instruments[i + 1].samples[0];
  c.frequency = frequency;
  c.amplitude = amplitude;
  c.outputPanning = panning;
}

struct Mix {
  explicit Mix(TestSong& song, int32_t interpolation = 1)
      : replay(replay_create(song.build(), 44100, interpolation)),
        buffer(mix_buffer_length(44100) + 16, 0x5A5A) {}
  int32_t tick(uint32_t mute = 0) { return mix_tick(replay.get(), buffer.data(), mute); }
  int32_t left(int32_t k) const { return buffer[2 * k]; }
  int32_t right(int32_t k) const { return buffer[2 * k + 1]; }
  ReplayPtr replay;
  std::vector<int32_t> buffer;  // 16 guard values past the documented length
};

TEST(Mixer, BufferRuleCoversTheLongestTick) {
  EXPECT_EQ(mix_buffer_length(44100), 14040);
  TestSong song(1, 1);
  song.add_instrument(constant_sample(30000));
  song.set(0, 0, 0, 0, 0, kFxSpeedTempo, 0x20);
  song.module.defaultTempo = 255;
  Mix m(song);
  play(m.replay.get(), 0, 500000, 16384, 128);
  EXPECT_EQ(m.tick(), 3445);  // the row set tempo 32 on the tick before
  for (int32_t i = 14040; i < 14056; ++i) EXPECT_EQ(m.buffer[i], 0x5A5A);
}

TEST(Mixer, ManyChannelsAddUpAndOnlyTheFirst32CanBeMuted) {
  // 70 channels of constant 1000 at centre: 1000 * 8128 >> 15 = 248 left and
  // 1000 * 8192 >> 15 = 250 right each; the filter keeps a constant as it is.
  TestSong song(70, 1);
  for (int32_t i = 0; i < 70; ++i) song.add_instrument(constant_sample(1000));
  for (uint32_t mute : {0u, 0xFFFFFFFFu}) {
    Mix m(song);
    for (int32_t i = 0; i < 70; ++i) play(m.replay.get(), i, 8363, 16384, 128);
    m.tick(mute);
    int32_t playing = mute ? 38 : 70;
    EXPECT_EQ(m.left(100), playing * 248);
    EXPECT_EQ(m.right(100), playing * 250);
  }
}

TEST(Mixer, KnownStepWithInterpolation) {
  // data[i] = 32 i played at 1/8 frame per double-rate frame gives m = 4 i; the right
  // gain 32768 * 128 >> 8 = 16384 halves it, and the 1/4-1/2-1/4 filter makes 4 k + 2.
  TestSong song(1, 1);
  TestSample ramp;
  for (int i = 0; i < 1024; ++i) ramp.data.push_back(static_cast<int16_t>(32 * i));
  ramp.loopStart = 0;
  ramp.loopLength = 1024;
  song.add_instrument(ramp);
  Mix m(song);
  play(m.replay.get(), 0, 11025, 32768, 128);  // step 11025 * 4096 / 11025 = 4096
  ASSERT_EQ(m.tick(), 882);
  for (int32_t k = 24; k < 882; ++k) ASSERT_EQ(m.right(k), 4 * k + 2) << k;
  // The left gain is 127 * 32768 >> 8 = 16256.
  auto l = [](int32_t i) { return 4 * i * 16256 >> 15; };
  for (int32_t k = 24; k < 882; ++k)
    ASSERT_EQ(m.left(k), (l(2 * k) >> 2) + (l(2 * k + 1) >> 1) + (l(2 * k + 2) >> 2));
  // 1764 frames at 1/8: 220.5 frames on.
  EXPECT_EQ(m.replay->channels[0].samplePosition, 220);
  EXPECT_EQ(m.replay->channels[0].sampleFraction, 16384);
}

TEST(Mixer, TickStartsCrossFadeFromTheRamp) {
  TestSong song(1, 1);
  song.add_instrument(constant_sample(8192));
  Mix m(song);
  // 8192 * (16384 * 128 >> 8) >> 15 = 2048 on the right; 8192 * (127 * 16384 >> 8) >> 15 = 2032 left.
  play(m.replay.get(), 0, 8000, 16384, 128);
  m.tick();
  for (int32_t j = 0; j < 24; ++j) {  // a = 0, 11, .. 253: 24 frames at 44100 Hz
    ASSERT_EQ(m.right(j), 2048 * 11 * j >> 8) << j;
    ASSERT_EQ(m.left(j), 2032 * 11 * j >> 8) << j;
  }
  EXPECT_EQ(m.right(24), 2048);
  EXPECT_EQ(m.left(24), 2032);

  play(m.replay.get(), 0, 8000, 16384, 128);
  m.tick();
  for (int32_t k = 0; k < 882; ++k) ASSERT_EQ(m.right(k), 2048) << k;

  play(m.replay.get(), 0, 8000, 0, 128);  // silence fades out over the same 24 frames
  m.tick();
  for (int32_t j = 0; j < 24; ++j) ASSERT_EQ(m.right(j), 2048 - 88 * j) << j;
  for (int32_t k = 24; k < 882; ++k) ASSERT_EQ(m.right(k), 0) << k;
}

TEST(Mixer, MuteMaskAndSilentChannelsStillAdvance) {
  TestSong song(3, 1);
  song.add_instrument(constant_sample(8192, 4000));
  song.add_instrument(constant_sample(8192, 4000));
  song.add_instrument(constant_sample(8192, 4000));
  Mix m(song);
  play(m.replay.get(), 0, 11025, 16384, 0);    // left only: 8192 * 16320 >> 15 = 4080
  play(m.replay.get(), 1, 11025, 16384, 255);  // right only, muted below
  play(m.replay.get(), 2, 11025, 0, 128);      // silent
  m.tick(0x2);
  for (int32_t k = 24; k < 882; ++k) {
    ASSERT_EQ(m.left(k), 4080) << k;
    ASSERT_EQ(m.right(k), 0) << k;
  }
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(m.replay->channels[i].samplePosition, 220);
    EXPECT_EQ(m.replay->channels[i].sampleFraction, 16384);
  }
}

TEST(Mixer, SampleEndsAndShortLoops) {
  // One sample frame per double-rate frame (88200 Hz): the filter spreads the end.
  TestSong song(2, 1);
  TestSample once;
  once.data.assign(100, 8192);
  TestSample one = constant_sample(8192, 60);
  one.loopStart = 50;
  one.loopLength = 1;  // behaves as no loop
  song.add_instrument(once);
  song.add_instrument(one);
  Mix m(song);
  play(m.replay.get(), 0, 88200, 16384, 0);
  play(m.replay.get(), 1, 88200, 16384, 255);
  m.tick();
  for (int32_t k = 24; k < 49; ++k) ASSERT_EQ(m.left(k), 4080) << k;
  EXPECT_EQ(m.left(49), 1020 + 2040);  // frames 98, 99 and the silent 100
  for (int32_t k = 50; k < 882; ++k) ASSERT_EQ(m.left(k), 0) << k;
  EXPECT_EQ(m.right(24), 4080);
  EXPECT_EQ(m.right(25), 1020);  // frame 50 is the last one played
  for (int32_t k = 26; k < 882; ++k) ASSERT_EQ(m.right(k), 0) << k;
  EXPECT_EQ(m.replay->channels[0].samplePosition, 100);  // parked at the end
  EXPECT_EQ(m.replay->channels[1].samplePosition, 51);   // at the loop end, like a sample end

  // The next tick, slower (1/8 frame per step): the one-frame loop stays silent
  // instead of sounding frame 50 again for the tick's first 8 double-rate frames.
  play(m.replay.get(), 0, 88200, 16384, 0);
  play(m.replay.get(), 1, 11025, 16384, 255);
  m.tick();
  for (int32_t k = 0; k < 882; ++k) ASSERT_EQ(m.right(k), 0) << k;
  EXPECT_EQ(m.replay->channels[1].samplePosition, 51);
}

TEST(Mixer, InterpolationUsesTheLoopEndCopy) {
  // A two-frame loop {0, 16384} at a quarter frame per step: the frame after the
  // loop end reads the copy of the loop start, giving a triangle of period 8.
  TestSong song(1, 1);
  TestSample tri;
  tri.data = {0, 16384};
  tri.loopStart = 0;
  tri.loopLength = 2;
  song.add_instrument(tri);
  const int32_t linear[4] = {2048, 6144, 6144, 2048};
  const int32_t nearest[4] = {0, 2048, 8192, 6144};
  for (int32_t interpolation = 0; interpolation < 2; ++interpolation) {
    Mix m(song, interpolation);
    play(m.replay.get(), 0, 22050, 32768, 128);  // step 8192, right gain 16384
    m.tick();
    for (int32_t k = 24; k < 882; ++k) {
      ASSERT_EQ(m.right(k), interpolation ? linear[k & 3] : nearest[k & 3]) << k;
    }
  }
}

}  // namespace
