// Loader, replay and mixer together on module files written from the file layouts,
// with the values worked out by hand for the engine alone; and the rules where module
// players part ways: a pattern delay outlives a later speed command, and whole-number
// periods keep notes within a few cents.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/rendered_song.h"
#include "audio/replay.h"
#include "tests/audio/module_checks.h"

namespace {

TEST(ReplayFiles, ModArpeggioSpeedAndPcm) {
  ModSong mod;
  mod.samples[0].lengthWords = 32, mod.samples[0].loopLengthWords = 32;
  mod.samples[0].data.assign(64, 64);  // 64 * 256 = 16384
  mod.cell(0, 0, 0) = {428, 1, 0x0, 0x47};
  mod.cell(0, 1, 1) = {0, 0, 0xF, 0x03};
  Loaded l(write_mod(mod));
  ASSERT_NE(l.m, nullptr) << l.message;
  Replay* r = replay_create(l.m, 44100, 1);
  ASSERT_NE(r, nullptr);
  std::vector<int32_t> freqs;
  for (int t = 0; t < 4; ++t) {
    if (t > 0) replay_tick(r);
    freqs.push_back(r->channels[0].frequency);
  }
  EXPECT_EQ(freqs, (std::vector<int32_t>{8291, 10447, 12434, 8291}));
  EXPECT_EQ(replay_duration(r), (6 + 63 * 3) * 882);  // F03 from row 1 on
  replay_free(r);

  RenderedSong song;
  ASSERT_TRUE(rendered_song_render(l.m, 44100, &song));
  EXPECT_EQ(song.bytes, (6u + 63 * 3) * 882 * 4);
  EXPECT_EQ(l.m->defaultPanning[0], 67);
  EXPECT_EQ(l.m->defaultPanning[1], 188);
  // Channel 0 at panning 67: gains 188 * 16384 >> 8 = 12032 and 16384 * 67 >> 8 = 4288.
  EXPECT_EQ(song.pcm[200], 16384 * 12032 >> 15);
  EXPECT_EQ(song.pcm[201], 16384 * 4288 >> 15);
  EXPECT_EQ(song.markCount, 6u + 63 * 3);
  EXPECT_EQ(song.marks[6].row, 1);
  EXPECT_EQ(song.marks[6].frame, 6u * 882);
  rendered_song_free(&song);
}

TEST(ReplayFiles, PatternDelayOutlivesALaterSpeedCommand) {
  // Row 0: EE2 and F03 on channels 0 and 2 either way round: (2 + 1) delays of 3
  // ticks, whichever channel comes first. S3M SE2 with A03 likewise.
  std::vector<File> files;
  for (int delay : {0, 2}) {
    ModSong mod;
    mod.cell(0, 0, delay) = {0, 0, 0xE, 0xE2};
    mod.cell(0, 0, 2 - delay) = {0, 0, 0xF, 0x03};
    files.push_back(write_mod(mod));
  }
  S3mSong s3m;
  s3m.patterns[0][0] = {S3mCell{0, -1, 0, -1, 19, 0xE2}, S3mCell{1, -1, 0, -1, 1, 0x03}};
  files.push_back(write_s3m(s3m));
  for (const File& f : files) {
    Loaded l(f);
    ASSERT_NE(l.m, nullptr);
    Replay* r = replay_create(l.m, 44100, 1);
    int ticks = 1;
    while (replay_row(r) == 0 && ticks < 1000) replay_tick(r), ++ticks;
    EXPECT_EQ(ticks - 1, 9);
    replay_free(r);
  }
}

TEST(ReplayFiles, WholeNumberPeriodsStayWithinCents) {
  // A 52 kHz S3M sample plays 31 semitones and 86/128 up: notes C-1..B-3 land within
  // 8 cents of c2 * 2^((key - 49) / 12), a little sharp on average (the periods
  // are whole numbers; higher notes have coarser periods and larger offsets).
  S3mSong song;
  S3mSample s;
  s.length = 16, s.c2Speed = 52000;
  s.bytes.assign(16, 0x40);
  song.instruments = {s};
  for (int row = 0; row < 36; ++row) song.patterns[0][row] = {S3mCell{0, (row / 12 + 1) << 4 | row % 12, 1}};
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr);
  Replay* r = replay_create(l.m, 44100, 1);
  double worst = 0, sum = 0;
  for (int row = 0; row < 36; ++row) {
    int key = (row / 12 + 1) * 12 + row % 12 + 1;
    double cents = 1200 * std::log2(r->channels[0].frequency / (52000 * std::pow(2.0, (key - 49) / 12.0)));
    worst = std::fmax(worst, std::fabs(cents));
    sum += cents;
    for (int t = 0; t < 6; ++t) replay_tick(r);
  }
  EXPECT_LT(worst, 8.0);
  EXPECT_GT(sum / 36, 0.5);
  replay_free(r);
}

}  // namespace
