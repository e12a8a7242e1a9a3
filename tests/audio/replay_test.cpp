// Replay engine: effects over ticks, row sequencing and song duration. Expected values
// are worked out by hand from the period, frequency and amplitude arithmetic.
#include "audio/replay.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/envelope.h"
#include "tests/audio/test_song.h"

namespace {

struct ReplayDeleter {
  void operator()(Replay* r) const { replay_free(r); }
};
using ReplayPtr = std::unique_ptr<Replay, ReplayDeleter>;

ReplayPtr make_replay(TestSong& song) { return ReplayPtr(replay_create(song.build(), 44100, 1)); }

// Calls f(channel 0) after the first tick and after each of the next ticks - 1.
template <typename F>
void each_tick(Replay* r, int ticks, F f) {
  for (int t = 0; t < ticks; ++t) {
    if (t > 0) replay_tick(r);
    f(r->channels[0]);
  }
}

TEST(Replay, PitchFromKeyAmigaAndLinear) {
  TestSong amiga(1, 1);
  amiga.add_instrument(constant_sample(1000));
  amiga.set(0, 0, 0, 49, 1);
  ReplayPtr r = make_replay(amiga);
  // 29021 * exp2_q15(-133802) >> 15 = 29021 * 1933 >> 15; then 8287 * 1712 / 1711.
  EXPECT_EQ(r->channels[0].period, 1711);
  EXPECT_EQ(r->channels[0].frequency, 8291);

  TestSong linear(1, 1);
  linear.module.linearPeriods = 1;
  linear.module.c2Rate = 8363;
  linear.add_instrument(constant_sample(1000));
  linear.set(0, 0, 0, 49, 1);
  linear.set(0, 1, 0, 61, 1);
  r = make_replay(linear);
  EXPECT_EQ(r->channels[0].period, 4608);
  EXPECT_EQ(r->channels[0].frequency, 8352);  // 32768 * (8363 >> 4) >> 11
  each_tick(r.get(), 7, [](const Channel&) {});
  EXPECT_EQ(r->channels[0].period, 3840);
  EXPECT_EQ(r->channels[0].frequency, 16704);  // one octave up
}

TEST(Replay, SpeedAndTempoCommands) {
  TestSong song(1, 1);
  song.set(0, 0, 0, 0, 0, kFxSpeedTempo, 0x00);
  song.set(0, 1, 0, 0, 0, kFxSpeedTempo, 0x1F);
  song.set(0, 2, 0, 0, 0, kFxSpeedTempo, 0x20);
  song.set(0, 3, 0, 0, 0, kFxS3mSpeed, 0x00);
  song.set(0, 4, 0, 0, 0, kFxS3mTempo, 0x20);
  song.set(0, 5, 0, 0, 0, kFxS3mTempo, 0x21);
  song.set(0, 6, 0, 0, 0, kFxS3mSpeed, 0x02);
  ReplayPtr r = make_replay(song);
  EXPECT_EQ(r->speed, 6);
  EXPECT_EQ(r->tempo, 125);
  EXPECT_EQ(replay_tick_length(r.get()), 882);
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(replay_row(r.get()), 1);
  EXPECT_EQ(r->speed, 31);
  EXPECT_EQ(r->tempo, 125);
  for (int t = 0; t < 31; ++t) replay_tick(r.get());
  EXPECT_EQ(replay_row(r.get()), 2);
  EXPECT_EQ(r->speed, 31);
  EXPECT_EQ(r->tempo, 32);
  EXPECT_EQ(replay_tick_length(r.get()), 3445);
  for (int t = 0; t < 31 * 3; ++t) replay_tick(r.get());
  EXPECT_EQ(replay_row(r.get()), 5);
  EXPECT_EQ(r->speed, 31);
  EXPECT_EQ(r->tempo, 33);
  for (int t = 0; t < 31; ++t) replay_tick(r.get());
  EXPECT_EQ(replay_row(r.get()), 6);
  EXPECT_EQ(r->speed, 2);
  EXPECT_EQ(r->tick, 2);
}

TEST(Replay, HeaderTempoIsHeldTo32Through255) {
  TestSong song(1, 1);
  song.module.defaultTempo = 20;
  ReplayPtr r = make_replay(song);
  EXPECT_EQ(r->tempo, 32);
  EXPECT_EQ(replay_tick_length(r.get()), 3445);
  song.module.defaultTempo = 256;
  r = make_replay(song);
  EXPECT_EQ(replay_tick_length(r.get()), 432);  // 220500 / 510
  song.module.defaultTempo = 0;
  song.module.defaultSpeed = 0;
  r = make_replay(song);
  EXPECT_EQ(r->tempo, 125);
  EXPECT_EQ(r->speed, 6);
}

TEST(Replay, ModArpeggioCyclesEveryThreeTicks) {
  TestSong song(1, 1);
  song.add_instrument(constant_sample(1000));
  song.set(0, 0, 0, 49, 1, kFxArpeggio, 0x47);
  ReplayPtr r = make_replay(song);
  std::vector<int32_t> adds, freqs;
  each_tick(r.get(), 7, [&](const Channel& c) {
    adds.push_back(c.arpeggioAdd);
    freqs.push_back(c.frequency);
  });
  EXPECT_EQ(adds, (std::vector<int32_t>{0, 4, 7, 0, 4, 7, 0}));
  // 1711 * 32768 / exp2_q15(10922) = / 41284 -> 1358; / exp2_q15(19114) = / 49095 -> 1141.
  // The 7th tick is the next row, which has no effect.
  EXPECT_EQ(freqs, (std::vector<int32_t>{8291, 10447, 12434, 8291, 10447, 12434, 8291}));
}

TEST(Replay, TonePortamentoStopsAtTheTarget) {
  TestSong song(1, 1);
  song.add_instrument(constant_sample(1000));
  song.set(0, 0, 0, 37, 1);
  song.set(0, 1, 0, 49, 0, kFxTonePorta, 0x40);
  song.set(0, 2, 0, 0, 0, kFxTonePorta, 0x00);
  ReplayPtr r = make_replay(song);
  EXPECT_EQ(r->channels[0].period, 3423);  // 29021 * exp2_q15(-101034) >> 15 = 29021 * 3866 >> 15
  for (int t = 0; t < 5; ++t) replay_tick(r.get());
  std::vector<int32_t> periods;
  each_tick(r.get(), 13, [&](const Channel& c) { periods.push_back(c.period); });
  periods.erase(periods.begin());                                               // the tick before row 1
  EXPECT_EQ(periods, (std::vector<int32_t>{3423, 3167, 2911, 2655, 2399, 2143,  // row 1: 64 * 4 per tick
                                           2143, 1887, 1711, 1711, 1711, 1711}));
}

TEST(Replay, VolumeSlideForms) {
  TestSong song(1, 1);
  TestSample s = constant_sample(1000);
  s.volume = 32;
  song.add_instrument(s);
  song.set(0, 0, 0, 49, 1, kFxVolSlide, 0x20);
  song.set(0, 1, 0, 0, 0, kFxVolSlide, 0x03);
  song.set(0, 2, 0, 0, 0, kFxVolSlide, 0x00);     // remembered 0x03
  song.set(0, 3, 0, 0, 0, kFxS3mVolSlide, 0x2F);  // fine up 2
  song.set(0, 4, 0, 0, 0, kFxS3mVolSlide, 0xF3);  // fine down 3
  song.set(0, 5, 0, 0, 0, kFxVolSlide, 0xFF);     // fine up 15
  song.set(0, 6, 0, 0, 0, kFxVolSlide, 0xF0);     // up 15 per tick, clamped
  ReplayPtr r = make_replay(song);
  std::vector<int32_t> v;
  each_tick(r.get(), 42, [&](const Channel& c) { v.push_back(c.volume); });
  EXPECT_EQ(v, (std::vector<int32_t>{32, 34, 36, 38, 40, 42, 42, 39, 36, 33, 30, 27, 27, 24,
                                     21, 18, 15, 12, 14, 14, 14, 14, 14, 14, 11, 11, 11, 11,
                                     11, 11, 26, 26, 26, 26, 26, 26, 26, 41, 56, 64, 64, 64}));

  TestSong fast(1, 1);
  fast.module.fastVolumeSlides = 1;
  fast.add_instrument(s);
  fast.set(0, 0, 0, 49, 1, kFxS3mVolSlide, 0x20);
  r = make_replay(fast);
  v.clear();
  each_tick(r.get(), 6, [&](const Channel& c) { v.push_back(c.volume); });
  EXPECT_EQ(v, (std::vector<int32_t>{34, 36, 38, 40, 42, 44}));
}

TEST(Replay, PatternLoopRepeatsAndIgnoresBreaks) {
  TestSong song(2, 2, 16);
  song.module.defaultSpeed = 1;
  song.orders = {0, 1};
  song.set(0, 3, 0, 0, 0, kFxExtended, 0x62);
  song.set(0, 3, 1, 0, 0, kFxPatternBreak, 0x10);  // ignored while the loop runs
  ReplayPtr r = make_replay(song);
  std::vector<int32_t> rows, counts;
  rows.push_back(replay_row(r.get()));
  for (int t = 0; t < 12; ++t) {
    counts.push_back(replay_tick(r.get()));
    rows.push_back(replay_order_index(r.get()) * 100 + replay_row(r.get()));
  }
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 110}));
  EXPECT_EQ(counts, std::vector<int32_t>(12, 0));  // looped rows are not counted again
}

TEST(Replay, PatternBreakAndPositionJump) {
  TestSong song(1, 2);
  song.orders = {0, 1};
  song.set(0, 0, 0, 0, 0, kFxPatternBreak, 0x32);
  ReplayPtr r = make_replay(song);
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(replay_order_index(r.get()), 1);
  EXPECT_EQ(replay_row(r.get()), 32);

  // B00 on row 10 of the second pattern ends the song there: 75 rows of 6 ticks of 882 frames.
  TestSong jump(1, 2);
  jump.orders = {0, 1};
  jump.set(1, 10, 0, 0, 0, kFxPositionJump, 0x00);
  r = make_replay(jump);
  EXPECT_EQ(replay_duration(r.get()), 75 * 6 * 882);
  EXPECT_EQ(replay_order_index(r.get()), 0);
  EXPECT_EQ(replay_row(r.get()), 0);
}

TEST(Replay, DurationEndsAtTheFirstRepeatedRow) {
  TestSong plain(1, 1);
  ReplayPtr r = make_replay(plain);
  EXPECT_EQ(replay_duration(r.get()), 64 * 6 * 882);

  TestSong looped(1, 1, 8);
  looped.module.defaultSpeed = 1;
  looped.set(0, 3, 0, 0, 0, kFxExtended, 0x62);
  r = make_replay(looped);
  EXPECT_EQ(replay_duration(r.get()), 16 * 882);  // rows 0..3 three times, then 4..7

  // A pattern delay row lasts (1 + 2) * 6 ticks; orders naming no pattern are skipped.
  TestSong delayed(1, 1);
  delayed.orders = {0, 7};
  delayed.set(0, 5, 0, 0, 0, kFxExtended, 0xE2);
  r = make_replay(delayed);
  EXPECT_EQ(replay_duration(r.get()), (63 + 3) * 6 * 882);
}

TEST(Replay, PlayCountSaturatesAt127) {
  TestSong song(1, 1, 1);
  song.module.defaultSpeed = 1;
  ReplayPtr r = make_replay(song);
  for (int t = 1; t <= 200; ++t) ASSERT_EQ(replay_tick(r.get()), t < 126 ? t : 126) << "tick " << t;
}

TEST(Envelope, InterpolatesBetweenPointsAndStaysInsideThemOnDamagedTicks) {
  Envelope e{};
  e.enabled = 1;
  e.pointCount = 3;
  e.pointTicks[0] = 0, e.pointTicks[1] = 16, e.pointTicks[2] = 20;
  e.pointAmplitudes[0] = 64, e.pointAmplitudes[1] = 0, e.pointAmplitudes[2] = 32;
  EXPECT_EQ(envelope_value(e, 0), 64);
  EXPECT_EQ(envelope_value(e, 4), 48);  // 64 - 64 * 4 / 16
  EXPECT_EQ(envelope_value(e, 18), 16);
  EXPECT_EQ(envelope_value(e, 25), 32);  // past the last point
  // A first point after tick 0: before it, its own amplitude (no wrap-around).
  e.pointCount = 2;
  e.pointTicks[0] = 10, e.pointTicks[1] = 11;
  e.pointAmplitudes[0] = 50, e.pointAmplitudes[1] = 6;
  EXPECT_EQ(envelope_value(e, 3), 50);
}

TEST(Replay, KeyOffLeavesSustainAndFadesOut) {
  TestSong song(1, 1);
  song.add_instrument(constant_sample(1000));
  Instrument& ins = song.instrument_extras(1);
  ins.volumeFadeout = 4096;
  Envelope& env = ins.volumeEnvelope;
  env.enabled = 1;
  env.sustain = 1;
  env.pointCount = 3;
  env.sustainTick = 4;
  const int16_t ticks[3] = {0, 4, 8}, amps[3] = {64, 32, 0};
  for (int i = 0; i < 3; ++i) {
    env.pointTicks[i] = ticks[i];
    env.pointAmplitudes[i] = amps[i];
  }
  song.set(0, 0, 0, 49, 1);
  song.set(0, 1, 0, kKeyOff, 0);
  ReplayPtr r = make_replay(song);
  std::vector<int32_t> amp, fade;
  each_tick(r.get(), 12, [&](const Channel& c) {
    amp.push_back(c.amplitude);
    fade.push_back(c.fadeoutVolume);
  });
  // 256 * envelope * fadeout / 32768: held at the sustain value 32, then released.
  EXPECT_EQ(amp, (std::vector<int32_t>{16384, 14336, 12288, 10240, 8192, 8192,  //
                                       8192, 5376, 3072, 1280, 0, 0}));
  EXPECT_EQ(fade, (std::vector<int32_t>{32768, 32768, 32768, 32768, 32768, 32768,  //
                                        28672, 24576, 20480, 16384, 12288, 8192}));

  // Without a volume envelope a key off silences the note at once.
  TestSong bare(1, 1);
  bare.add_instrument(constant_sample(1000));
  bare.set(0, 0, 0, 49, 1);
  bare.set(0, 1, 0, kKeyOff, 0);
  r = make_replay(bare);
  EXPECT_EQ(r->channels[0].amplitude, 16384);
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(r->channels[0].amplitude, 0);
}

TEST(Replay, TriggerSampleSwapAndOffset) {
  TestSong song(1, 1);
  TestSample a = constant_sample(1000, 4000);
  TestSample b = constant_sample(2000, 4000);
  b.volume = 20;
  song.add_instrument(a);
  song.add_instrument(b);
  song.set(0, 0, 0, 49, 1);
  song.set(0, 1, 0, 0, 2);  // instrument only: swap, keep position
  song.set(0, 2, 0, 49, 1, kFxSampleOffset, 0x02);
  song.set(0, 3, 0, 49, 0);  // the offset stays until an instrument resets it
  song.set(0, 4, 0, 49, 1);
  const Module* m = song.build();
  ReplayPtr r(replay_create(m, 44100, 1));
  r->channels[0].samplePosition = 100;  // as if the mixer had played on
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(r->channels[0].sample, &m->instruments[2].samples[0]);
  EXPECT_EQ(r->channels[0].samplePosition, 100);
  EXPECT_EQ(r->channels[0].volume, 20);
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(r->channels[0].sample, &m->instruments[1].samples[0]);
  EXPECT_EQ(r->channels[0].samplePosition, 512);
  r->channels[0].samplePosition = 100;
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(r->channels[0].samplePosition, 512);
  for (int t = 0; t < 6; ++t) replay_tick(r.get());
  EXPECT_EQ(r->channels[0].samplePosition, 0);
}

TEST(Replay, RefusesUnplayableInput) {
  TestSong song(1, 1);
  song.orders = {3};  // names no pattern
  EXPECT_EQ(replay_create(song.build(), 44100, 1), nullptr);
  TestSong ok(1, 1);
  EXPECT_EQ(replay_create(ok.build(), 200000, 1), nullptr);  // cross-fade would outgrow the ramp
}

TEST(Envelope, LoopJumpsBackAndSustainHoldsWhileTheKeyIsOn) {
  Envelope e{};
  e.enabled = 1;
  e.looped = 1;
  e.loopStartTick = 2;
  e.loopEndTick = 5;
  std::vector<int32_t> ticks;
  for (int32_t t = 0, i = 0; i < 8; ++i) ticks.push_back(t = envelope_next_tick(e, t, 1));
  EXPECT_EQ(ticks, (std::vector<int32_t>{1, 2, 3, 4, 2, 3, 4, 2}));
  e.looped = 0;
  e.sustain = 1;
  e.sustainTick = 3;
  EXPECT_EQ(envelope_next_tick(e, 3, 1), 3);
  EXPECT_EQ(envelope_next_tick(e, 3, 0), 4);
  EXPECT_EQ(envelope_next_tick(e, 2, 1), 3);
}

TEST(Replay, AutoVibratoSweepsInAndPanningEnvelopeMovesThePan) {
  TestSong song(1, 1);
  song.add_instrument(constant_sample(1000));
  Instrument& ins = song.instrument_extras(1);
  ins.vibratoType = 0;  // sine
  ins.vibratoSweep = 4;
  ins.vibratoDepth = 64;
  ins.vibratoRate = 16;
  Envelope& pan = ins.panningEnvelope;
  pan.enabled = 1;
  pan.pointCount = 2;
  pan.pointTicks[0] = 0, pan.pointTicks[1] = 4;
  pan.pointAmplitudes[0] = 48, pan.pointAmplitudes[1] = 0;
  song.set(0, 0, 0, 49, 1, kFxSetPanning, 200);
  ReplayPtr r = make_replay(song);
  std::vector<int32_t> adds, pans;
  each_tick(r.get(), 6, [&](const Channel& c) {
    adds.push_back(c.vibratoAdd);
    pans.push_back(c.outputPanning);
  });
  // Depth 64 * counter / 4 until the sweep ends, times sine[16 * counter >> 2] >> 8.
  EXPECT_EQ(adds, (std::vector<int32_t>{0, 16 * 97 >> 8, 32 * 180 >> 8, 48 * 235 >> 8, 64 * 255 >> 8,
                                        64 * 235 >> 8}));
  // Panning 200 leaves 55 of room; envelope 48, 36, 24, 12, then 0 at and past tick 4.
  EXPECT_EQ(pans, (std::vector<int32_t>{200 + (16 * 55 >> 5), 200 + (4 * 55 >> 5), 200 + (-8 * 55 >> 5),
                                        200 + (-20 * 55 >> 5), 200 - 55, 200 - 55}));
}

TEST(Replay, AutoVibratoOnANoteHeldForBillionsOfTicks) {
  // The phase is (rate * counter) >> 2 in whole numbers, however large the counter.
  TestSong song(1, 1);
  song.add_instrument(constant_sample(1000));
  Instrument& ins = song.instrument_extras(1);
  ins.vibratoDepth = 64;
  ins.vibratoRate = 127;
  song.set(0, 0, 0, 49, 1);
  ReplayPtr r = make_replay(song);
  const int32_t kSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                             255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};
  for (int64_t counter = INT32_MAX - 5; counter < INT32_MAX; ++counter) {
    r->channels[0].autoVibratoCounter = static_cast<int32_t>(counter);
    replay_tick(r.get());
    int64_t phase = (127 * counter >> 2) & 63;
    int32_t wave = phase & 32 ? -kSine[phase & 31] : kSine[phase & 31];
    EXPECT_EQ(r->channels[0].vibratoAdd, 64 * wave >> 8) << counter;
  }
  EXPECT_EQ(r->channels[0].autoVibratoCounter, INT32_MAX);
}

}  // namespace
