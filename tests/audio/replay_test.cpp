// Replay engine: speed and tempo, song duration and play counts, envelopes, the
// instrument's auto-vibrato and the pitch of whole-number periods. Expected values are
// worked out by hand from the tick, envelope and waveform arithmetic.
#include "audio/replay.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "audio/envelope.h"
#include "tests/audio/module_checks.h"

namespace {

Note fx(int effect, int param) { return Note{0, 0, 0, uint8_t(effect), uint8_t(param)}; }

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
  for (int row = 0; row < 7; ++row) song.note(0, row, 0) = fx(rows[row][0], rows[row][1]);
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

TEST(Replay, DurationEndsAtTheFirstRepeatedRow) {
  // Cells {pattern, row, effect, parameter}; rows of 6 ticks of 882 frames unless the
  // speed is 1. Order 1 names pattern 7 where asked (no such pattern: skipped).
  struct Case {
    const char* name;
    int speed, rows;
    std::vector<std::array<int, 4>> cells;
    bool skipOrder;
    int32_t frames;
  } cases[] = {
      {"two patterns", 6, 64, {}, false, 128 * 6 * 882},
      {"E62 on row 3: rows 0..3 three times", 1, 8, {{0, 3, 0x0E, 0x62}}, false, (12 + 4 + 8) * 882},
      {"B00 on pattern 1 row 10", 6, 64, {{1, 10, 0x0B, 0x00}}, false, 75 * 6 * 882},
      {"EE2 on row 5, then a skipped order", 6, 64, {{0, 5, 0x0E, 0xE2}}, true, (63 + 3) * 6 * 882},
  };
  for (const Case& c : cases) {
    Song song(1, 2, c.rows);
    song.m->defaultSpeed = c.speed;
    for (const auto& n : c.cells) song.note(n[0], n[1], 0) = fx(n[2], n[3]);
    if (c.skipOrder) song.m->orderList[1] = 7;
    Replay* r = replay_create(song.m, 44100, 1);
    EXPECT_EQ(replay_duration(r), c.frames) << c.name;
    EXPECT_EQ(replay_order_index(r) * 100 + replay_row(r), 0) << c.name;  // back at the start
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

TEST(Replay, AutoVibratoSweepsInAndPanningEnvelopeMovesThePan) {
  XmInstrument ins = xm_instrument(xm_constant(1000));
  ins.vibratoSweep = 4, ins.vibratoDepth = 64, ins.vibratoRate = 16;  // sine
  ins.panningEnvelope = {{{0, 48}, {4, 0}}, 0, 0, 0, 1};
  Song song(1, 1, 64, {ins});
  song.note(0, 0, 0) = Note{49, 1, 0, kFxSetPanning, 200};
  Replay* r = replay_create(song.m, 44100, 1);
  Ints adds, pans;
  for (int t = 0; t < 6; ++t) {
    if (t > 0) replay_tick(r);
    adds.push_back(r->channels[0].vibratoAdd);
    pans.push_back(r->channels[0].outputPanning);
  }
  replay_free(r);
  // Depth 64 * counter / 4 until the sweep ends, times sine[16 * counter >> 2] >> 8.
  EXPECT_EQ(adds, (Ints{0, 16 * 97 >> 8, 32 * 180 >> 8, 48 * 235 >> 8, 64 * 255 >> 8, 64 * 235 >> 8}));
  // Panning 200 leaves 55 of room; envelope 48, 36, 24, 12, then 0 at and past tick 4.
  EXPECT_EQ(pans, (Ints{200 + (16 * 55 >> 5), 200 + (4 * 55 >> 5), 200 + (-8 * 55 >> 5),
                        200 + (-20 * 55 >> 5), 200 - 55, 200 - 55}));
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
