// Where module players part ways, on files written from the layouts: the pattern
// delay outlives a later speed command, S3M channel entries write only what their
// flag byte announces, 255 ends an S3M order list, and the whole-number periods keep
// notes within a few cents.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/replay.h"
#include "tests/audio/module_checks.h"
#include "tests/audio/module_writers.h"

namespace {

// Ticks until the replay leaves row 0.
int ticks_in_row_0(Replay* r) {
  int ticks = 1;
  while (replay_row(r) == 0 && ticks < 1000) replay_tick(r), ++ticks;
  return ticks - 1;
}

TEST(PlayerRules, PatternDelayOutlivesALaterSpeedCommand) {
  // Row 0: EE2 on channel 0, F03 on channel 2: (2 + 1) delays of 3 ticks, whichever
  // channel comes first. S3M SE2 with A03 likewise.
  for (bool delayFirst : {true, false}) {
    ModSong mod;
    mod.cell(0, 0, delayFirst ? 0 : 2) = {0, 0, 0xE, 0xE2};
    mod.cell(0, 0, delayFirst ? 2 : 0) = {0, 0, 0xF, 0x03};
    Loaded l(write_mod(mod));
    ASSERT_NE(l.m, nullptr);
    Replay* r = replay_create(l.m, 44100, 1);
    EXPECT_EQ(ticks_in_row_0(r), 9) << delayFirst;
    replay_free(r);
  }
  S3mSong s3m;
  s3m.patterns[0][0] = {S3mCell{0, -1, 0, -1, 19, 0xE2}, S3mCell{1, -1, 0, -1, 1, 0x03}};
  Loaded l(write_s3m(s3m));
  ASSERT_NE(l.m, nullptr);
  Replay* r = replay_create(l.m, 44100, 1);
  EXPECT_EQ(ticks_in_row_0(r), 9);
  replay_free(r);
}

TEST(PlayerRules, S3mChannelNamedTwiceInARowKeepsEarlierFields) {
  S3mSong song;
  song.patterns[0][0] = {S3mCell{0, -1, 0, 40, 1, 0x03}, S3mCell{0, 0x41, 2, -1, -1, 0}};
  song.patterns[0][1] = {S3mCell{1, 0x41, 2, -1, 4, 0x12}, S3mCell{1, -1, 0, -1, 0x7F, 0x34}};
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr);
  EXPECT_EQ(note_at(*l.m, 0, 0, 0), (Note{4 * 12 + 1 + 1, 2, 0x10 + 40, kFxS3mSpeed, 3}));
  // An unknown effect letter still replaces the announced effect field.
  EXPECT_EQ(note_at(*l.m, 0, 1, 1), (Note{4 * 12 + 1 + 1, 2, 0, 0, 0}));
}

TEST(PlayerRules, S3mOrder255EndsTheList) {
  struct Case {
    std::vector<uint8_t> orders;
    int32_t expected;  // order count after loading
  };
  const Case cases[] = {
      {{0, 1, 255, 1, 0}, 2},
      {{0, 254, 1, 255}, 3},  // 254 (a skip marker) stays; the replay passes over it
      {{0, 1, 9, 9}, 2},      // trailing entries beyond the patterns
      {{255, 0, 1}, 0},       // nothing before the end: refused
  };
  for (const Case& c : cases) {
    S3mSong song;
    song.orders = c.orders;
    song.patterns.resize(2, std::vector<std::vector<S3mCell>>(64));
    Loaded l(write_s3m(song));
    if (c.expected == 0) {
      EXPECT_EQ(l.m, nullptr);
      EXPECT_STREQ(l.message, "Invalid module file!");
      continue;
    }
    ASSERT_NE(l.m, nullptr);
    EXPECT_EQ(l.m->orderCount, c.expected) << int(c.orders[1]);
  }
}

TEST(PlayerRules, WholeNumberPeriodsStayWithinCents) {
  // A 52 kHz S3M sample plays 31 semitones and 86/128 up: notes C-1..B-3 land within
  // 8 cents of c2 * 2^((key - 49) / 12), a little sharp on average (the periods
  // are whole numbers; higher notes have coarser periods and larger offsets).
  S3mSong song;
  S3mSample s;
  s.length = 16;
  s.bytes.assign(16, 0x40);
  s.c2Speed = 52000;
  song.instruments = {s};
  for (int row = 0; row < 36; ++row) song.patterns[0][row] = {S3mCell{0, (row / 12 + 1) << 4 | row % 12, 1}};
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr);
  Replay* r = replay_create(l.m, 44100, 1);
  double worst = 0, sum = 0;
  for (int row = 0; row < 36; ++row) {
    int key = (row / 12 + 1) * 12 + row % 12 + 1;
    double exact = 52000 * std::pow(2.0, (key - 49) / 12.0);
    double cents = 1200 * std::log2(r->channels[0].frequency / exact);
    worst = std::fmax(worst, std::fabs(cents));
    sum += cents;
    for (int t = 0; t < 6; ++t) replay_tick(r);
  }
  EXPECT_LT(worst, 8.0);
  EXPECT_GT(sum / 36, 0.5);
  replay_free(r);
}

}  // namespace
