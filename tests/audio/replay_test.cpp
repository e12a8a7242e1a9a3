// Replay engine: speed and tempo, play counts, envelopes and the pitch of whole-number
// periods. Expected values are worked out by hand from the tick and envelope arithmetic.
#include "audio/replay.h"

#include <gtest/gtest.h>

#include <cmath>

#include "audio/envelope.h"
#include "tests/audio/module_checks.h"

namespace {

TEST(Replay, SpeedAndTempo) {
  // Rows F00 (ignored), F1F, F20, S3M A00 (ignored), T21, T20 (ignored), A02; per row the
  // ticks it lasted, then speed, tempo and tick length on entering the next one.
  // clang-format off
  const int32_t rows[7][6] = {
      {kFxSpeedTempo, 0x00, 6, 31, 125, 882}, {kFxSpeedTempo, 0x1F, 31, 31, 32, 3445},
      {kFxSpeedTempo, 0x20, 31, 31, 32, 3445}, {kFxS3mSpeed, 0x00, 31, 31, 33, 3340},
      {kFxS3mTempo, 0x21, 31, 31, 33, 3340}, {kFxS3mTempo, 0x20, 31, 2, 33, 3340},
      {kFxS3mSpeed, 0x02, 2, 2, 33, 3340}};
  // clang-format on
  Song song(1, 1, 64);
  for (int row = 0; row < 7; ++row)
    song.note(0, row, 0) = Note{0, 0, 0, uint8_t(rows[row][0]), uint8_t(rows[row][1])};
  Replay* r = replay_create(song.m, 44100, 1);
  for (int row = 0; row < 7; ++row) {
    int32_t ticks = 0;
    while (replay_row(r) == row) replay_tick(r), ++ticks;
    EXPECT_EQ((Ints{ticks, r->speed, r->tempo, replay_tick_length(r)}), Ints(rows[row] + 2, rows[row] + 6))
        << row;
  }
  replay_free(r);
  // Header tempos the effects cannot set are held to 32..255; 0 means the defaults 125 and 6.
  const int32_t header[4][4] = {{20, 6, 3445, 6}, {256, 6, 432, 6}, {0, 0, 882, 6}, {125, 3, 882, 3}};
  for (const auto& c : header) {
    Song plain(1, 1, 1);
    plain.m->defaultTempo = c[0], plain.m->defaultSpeed = c[1];
    r = replay_create(plain.m, 44100, 1);
    EXPECT_EQ((Ints{replay_tick_length(r), r->speed}), (Ints{c[2], c[3]})) << c[0] << " " << c[1];
    replay_free(r);
  }
}

TEST(Replay, PlayCountSaturatesAt127AndUnplayableInputIsRefused) {
  Song song(1, 1, 1);
  song.m->defaultSpeed = 1;
  Replay* r = replay_create(song.m, 44100, 1);
  for (int t = 1; t <= 200; ++t) ASSERT_EQ(replay_tick(r), t < 126 ? t : 126) << "tick " << t;
  replay_free(r);
  EXPECT_EQ(replay_create(song.m, 200000, 1), nullptr);  // the cross-fade would outgrow the ramp
  song.m->orderList[0] = 3;                              // names no pattern
  EXPECT_EQ(replay_create(song.m, 44100, 1), nullptr);
}

TEST(Envelope, InterpolatesLoopsAndHolds) {
  // Points (0, 64), (16, 0), (20, 32): 64 - 64 * 4 / 16 at tick 4; halfway to 32 at 18;
  // past the last point its amplitude.
  Envelope e{};
  e.enabled = 1, e.pointCount = 3;
  e.pointTicks[1] = 16, e.pointTicks[2] = 20, e.pointAmplitudes[0] = 64, e.pointAmplitudes[2] = 32;
  const int32_t values[4][2] = {{0, 64}, {4, 48}, {18, 16}, {25, 32}};
  for (const auto& v : values) EXPECT_EQ(envelope_value(e, v[0]), v[1]) << v[0];
  // A first point after tick 0: before it, its own amplitude (no wrap-around).
  e.pointCount = 2, e.pointTicks[0] = 10, e.pointTicks[1] = 11, e.pointAmplitudes[0] = 50;
  EXPECT_EQ(envelope_value(e, 3), 50);
  e.looped = 1, e.loopStartTick = 2, e.loopEndTick = 5;
  Ints ticks;
  for (int32_t t = 0, i = 0; i < 8; ++i) ticks.push_back(t = envelope_next_tick(e, t, 1));
  EXPECT_EQ(ticks, (Ints{1, 2, 3, 4, 2, 3, 4, 2}));
  e.looped = 0, e.sustain = 1, e.sustainTick = 3;  // held while the key is on
  EXPECT_EQ((Ints{envelope_next_tick(e, 3, 1), envelope_next_tick(e, 3, 0), envelope_next_tick(e, 2, 1)}),
            (Ints{3, 4, 3}));
}

TEST(Replay, WholeNumberPeriodsStayWithinCents) {
  // A 52 kHz S3M sample: notes C-1..B-3 land within 8 cents of c2 * 2^((key - 49) / 12),
  // a little sharp on average (whole-number periods are coarser for higher notes).
  S3mSong song;
  song.instruments = {S3mSample{1, 64, 0, "", 16, 0, 0, 52000, File(16, 0x40)}};
  for (int row = 0; row < 36; ++row) song.patterns[0][row] = {S3mCell{0, (row / 12 + 1) << 4 | row % 12, 1}};
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr);
  Replay* r = replay_create(l.m, 44100, 1);
  double worst = 0, sum = 0;
  for (int row = 0; row < 36; ++row) {  // key row + 13
    double cents = 1200 * std::log2(r->channels[0].frequency / (52000 * std::pow(2.0, (row - 36) / 12.0)));
    worst = std::fmax(worst, std::fabs(cents));
    sum += cents;
    for (int t = 0; t < 6; ++t) replay_tick(r);
  }
  EXPECT_LT(worst, 8.0);
  EXPECT_GT(sum / 36, 0.5);
  replay_free(r);
}

}  // namespace
