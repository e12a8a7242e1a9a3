#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/module.h"
#include "tests/audio/prefix_checks.h"
#include "tests/audio/module_writers.h"

namespace {

TEST(ModLoader, TagsGiveChannelsRateAndGain) {
  struct Case {
    const char* tag;
    int channels, c2Rate, gain;
  } cases[] = {{"M.K.", 4, 8287, 64}, {"M!K!", 4, 8287, 64}, {"FLT4", 4, 8287, 64},
               {"6CHN", 6, 8363, 32}, {"8CHN", 8, 8363, 32}, {"16CH", 16, 8363, 32}};
  for (const Case& c : cases) {
    ModSong song;
    song.tag = c.tag;
    song.channels = c.channels;
    Loaded l(write_mod(song));
    ASSERT_NE(l.m, nullptr) << c.tag;
    EXPECT_EQ(l.m->channelCount, c.channels) << c.tag;
    EXPECT_EQ(l.m->c2Rate, c.c2Rate) << c.tag;
    EXPECT_EQ(l.m->gain, c.gain) << c.tag;
    EXPECT_EQ(module_fault(*l.m), std::string()) << c.tag;
  }
  for (const char* tag : {"FLT8", "OCTA", "    "}) {
    ModSong song;
    song.tag = tag;
    Loaded l(write_mod(song));
    EXPECT_EQ(l.m, nullptr) << tag;
    EXPECT_STREQ(l.message, "MOD Format not recognised!") << tag;
  }
}

TEST(ModLoader, HeaderFieldsAndDefaults) {
  ModSong song;
  song.name = std::string(
      "ab\x01"
      "c d",
      6);
  song.orderCount = 0x83;  // the high bit is ignored
  song.restart = 5;        // not below the order count: becomes 0
  song.orders[0] = 1;
  song.orders[1] = 0x80;  // & 0x7F = 0
  song.orders[2] = 2;
  song.orders[100] = 4;  // beyond the order count, still counts for the pattern count
  song.patternCount = 5;
  Loaded l(write_mod(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(std::string(m.name), std::string("ab c d") + std::string(14, ' '));
  EXPECT_EQ(m.orderCount, 3);
  EXPECT_EQ(m.restartPosition, 0);
  EXPECT_EQ(m.patternCount, 5);
  EXPECT_EQ(m.orderList[0], 1);
  EXPECT_EQ(m.orderList[1], 0);
  EXPECT_EQ(m.orderList[2], 2);
  EXPECT_EQ(m.instrumentCount, 31);
  EXPECT_EQ(m.defaultGlobalVolume, 64);
  EXPECT_EQ(m.defaultSpeed, 6);
  EXPECT_EQ(m.defaultTempo, 125);
  EXPECT_EQ(m.linearPeriods, 0);
  EXPECT_EQ(m.fastVolumeSlides, 0);
  EXPECT_EQ(m.patterns[4].rowCount, 64);

  ModSong eight;
  eight.tag = "8CHN";
  eight.channels = 8;
  eight.orderCount = 2;
  eight.restart = 1;
  Loaded e(write_mod(eight));
  ASSERT_NE(e.m, nullptr);
  EXPECT_EQ(e.m->restartPosition, 1);
  const uint8_t pans[8] = {51, 204, 204, 51, 51, 204, 204, 51};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(e.m->defaultPanning[c], pans[c]) << c;
}

TEST(ModLoader, PeriodsRoundToTheNearestKey) {
  // Keys count semitones from C-0 = 1; ProTracker's period 428 is C-4 (key 49), and
  // every doubling of the period is one octave down.
  struct Case {
    int period, key;
  } cases[] = {{428, 49}, {856, 37}, {1712, 25}, {214, 61},
               {404, 50}, {453, 48}, {420, 49},  // 0.33 semitone above C-4
               {410, 50},                        // 0.74 semitone above
               {28, 96},                         // highest period still converted
               {27, 0},   {1713, 0}, {0, 0},     {4095, 0}};
  ModSong song;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    song.cell(0, static_cast<int>(i), 1).period = cases[i].period;
  Loaded l(write_mod(song));
  ASSERT_NE(l.m, nullptr);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(note_at(*l.m, 0, static_cast<int>(i), 1).key, cases[i].key) << "period " << cases[i].period;
}

TEST(ModLoader, InstrumentNumbersAndEffects) {
  ModSong song;
  song.cell(0, 0, 0) = {428, 17, 0x0C, 0x40};
  song.cell(0, 0, 1) = {0, 31, 0x0E, 0x91};
  song.cell(0, 1, 0) = {0, 0, 0x00, 0x00};  // arpeggio without parameter: nothing
  song.cell(0, 1, 1) = {0, 0, 0x01, 0x00};
  song.cell(0, 1, 2) = {0, 0, 0x02, 0x00};
  song.cell(0, 1, 3) = {0, 0, 0x0A, 0x00};
  song.cell(0, 2, 0) = {0, 0, 0x05, 0x00};  // becomes tone portamento
  song.cell(0, 2, 1) = {0, 0, 0x06, 0x00};  // becomes vibrato
  song.cell(0, 2, 2) = {0, 0, 0x05, 0x01};  // kept with a parameter
  song.cell(0, 2, 3) = {0, 0, 0x00, 0x37};
  song.cell(0, 3, 0) = {0, 0, 0x08, 0x80};  // four channels: panning dropped
  Loaded l(write_mod(song));
  ASSERT_NE(l.m, nullptr);
  const Module& m = *l.m;
  const Note& n = note_at(m, 0, 0, 0);
  EXPECT_EQ(n.key, 49);
  EXPECT_EQ(n.instrument, 17);
  EXPECT_EQ(n.volume, 0);
  EXPECT_EQ(n.effect, FX_SET_VOLUME);
  EXPECT_EQ(n.param, 0x40);
  EXPECT_EQ(note_at(m, 0, 0, 1).instrument, 31);
  EXPECT_EQ(note_at(m, 0, 0, 1).effect, FX_EXTENDED);
  EXPECT_EQ(note_at(m, 0, 0, 1).param, 0x91);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(note_at(m, 0, 1, c).effect, 0) << c;
  EXPECT_EQ(note_at(m, 0, 2, 0).effect, FX_TONE_PORTA);
  EXPECT_EQ(note_at(m, 0, 2, 1).effect, FX_VIBRATO);
  EXPECT_EQ(note_at(m, 0, 2, 2).effect, FX_TONE_PORTA_VOLSLIDE);
  EXPECT_EQ(note_at(m, 0, 2, 3).effect, FX_ARPEGGIO);
  EXPECT_EQ(note_at(m, 0, 2, 3).param, 0x37);
  EXPECT_EQ(note_at(m, 0, 3, 0).effect, 0);
  EXPECT_EQ(note_at(m, 0, 3, 0).param, 0);
}

TEST(ModLoader, PanningCommandsInWiderModules) {
  ModSong song;
  song.tag = "8CHN";
  song.channels = 8;
  song.cell(0, 0, 0) = {0, 0, 0x08, 0x80};  // 128 * 255 >> 7 = 255
  song.cell(0, 0, 1) = {0, 0, 0x08, 0xA4};  // above 128: 128
  song.cell(0, 0, 2) = {0, 0, 0x08, 0x40};  // 64 * 255 >> 7 = 127
  song.cell(0, 0, 3) = {0, 0, 0x08, 0x00};
  Loaded l(write_mod(song));
  ASSERT_NE(l.m, nullptr);
  const int expected[4] = {255, 128, 127, 0};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(note_at(*l.m, 0, 0, c).effect, FX_SET_PANNING) << c;
    EXPECT_EQ(note_at(*l.m, 0, 0, c).param, expected[c]) << c;
  }
}

TEST(ModLoader, SampleHeadersAndLoopFixUps) {
  ModSong song;
  song.orders[0] = 1;  // two patterns precede the sample data
  song.patternCount = 2;
  ModSample& a = song.samples[0];
  a.name = "bass";
  a.lengthWords = 120;     // 240 frames
  a.fineTuneNibble = 8;    // -8 * 16
  a.volume = 0xC0;         // & 0x7F = 64
  a.loopStartWords = 100;  // 200 frames, 200 + 100 > 240: the start was given in bytes
  a.loopLengthWords = 50;
  for (int i = 0; i < 240; ++i) a.data.push_back(static_cast<int8_t>(i - 120));
  ModSample& b = song.samples[1];
  b.lengthWords = 120;
  b.fineTuneNibble = 7;
  b.volume = 100;  // at most 64
  b.loopStartWords = 100;
  b.loopLengthWords = 75;  // halved start no longer fits: clipped to 200..240
  b.data = {5, 6, 7};
  ModSample& c = song.samples[2];
  c.lengthWords = 10;
  c.loopStartWords = 2;
  c.loopLengthWords = 1;  // 2 frames: shorter than 4, no loop
  c.volume = 33;
  Loaded l(write_mod(song));
  ASSERT_NE(l.m, nullptr);
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  const Instrument& ia = m.instruments[1];
  EXPECT_EQ(ia.sampleCount, 1);
  EXPECT_EQ(std::string(ia.name, 4), "bass");
  const Sample& sa = ia.samples[0];
  EXPECT_EQ(sa.fineTune, -128);
  EXPECT_EQ(sa.volume, 64);
  EXPECT_EQ(sa.loopStart, 100);
  EXPECT_EQ(sa.loopLength, 100);
  EXPECT_EQ(sa.data[0], -120 * 256);
  EXPECT_EQ(sa.data[239], 119 * 256);
  EXPECT_EQ(sa.data[200], sa.data[100]);  // loop-end copy
  const Sample& sb = m.instruments[2].samples[0];
  EXPECT_EQ(sb.fineTune, 112);
  EXPECT_EQ(sb.volume, 64);
  EXPECT_EQ(sb.loopStart, 200);
  EXPECT_EQ(sb.loopLength, 40);
  EXPECT_EQ(sb.data[0], 5 * 256);
  EXPECT_EQ(sb.data[2], 7 * 256);
  EXPECT_EQ(sb.data[240], 0);  // copy of frame 200
  const Sample& sc = m.instruments[3].samples[0];
  EXPECT_EQ(sc.loopStart, 20);
  EXPECT_EQ(sc.loopLength, 0);
  EXPECT_EQ(sc.volume, 33);
  // Unused instruments and the placeholder are empty samples.
  EXPECT_EQ(m.instruments[0].sampleCount, 1);
  EXPECT_EQ(m.instruments[0].samples[0].loopStart, 0);
  EXPECT_EQ(m.instruments[31].samples[0].loopStart, 0);
  for (int k = 0; k <= 96; ++k) EXPECT_EQ(m.instruments[1].keyToSample[k], 0);
}

TEST(ModLoader, TruncatedFileGivesSilenceAndEmptyOrdersFail) {
  ModSong song;
  song.samples[0].lengthWords = 50;
  song.samples[0].data = std::vector<int8_t>(100, 9);
  std::vector<uint8_t> file = write_mod(song);
  file.resize(file.size() - 60);  // the last 60 frames are missing
  Loaded l(file);
  ASSERT_NE(l.m, nullptr);
  const Sample& s = l.m->instruments[1].samples[0];
  EXPECT_EQ(s.loopStart, 100);
  EXPECT_EQ(s.data[39], 9 * 256);
  EXPECT_EQ(s.data[40], 0);
  EXPECT_EQ(s.data[99], 0);

  ModSong none;
  none.orderCount = 0;
  Loaded e(write_mod(none));
  EXPECT_EQ(e.m, nullptr);
  EXPECT_STREQ(e.message, "Invalid module file!");

  ModSong zero;
  zero.tag = "00CH";
  Loaded z(write_mod(zero));
  EXPECT_EQ(z.m, nullptr);
  EXPECT_STREQ(z.message, "Invalid module file!");
}

TEST(ModLoader, EveryPrefixOfAFileLoadsSafely) {
  ModSong song;
  song.tag = "6CHN";
  song.channels = 6;
  song.samples[0].lengthWords = 40;
  song.samples[0].loopStartWords = 10;
  song.samples[0].loopLengthWords = 20;
  song.samples[0].data = std::vector<int8_t>(80, -3);
  song.cell(0, 5, 5) = {428, 1, 0x08, 0x40};
  std::vector<uint8_t> file = write_mod(song);
  for (size_t n = 0; n <= file.size(); n += (n < 1100 ? 1 : 7)) {
    expect_prefix_sound_or_refused(file, n);
  }
}

}  // namespace
