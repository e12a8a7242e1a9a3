#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/module.h"
#include "tests/audio/prefix_checks.h"
#include "tests/audio/module_writers.h"

namespace {

XmSample sample_of(std::vector<int> values, uint8_t type = 0) {
  XmSample s;
  s.values = values;
  s.type = type;
  return s;
}

TEST(XmLoader, HeaderFieldsAndOrders) {
  XmSong song;
  song.name = "tune";
  song.channels = 6;
  song.flags = 1;
  song.speed = 4;
  song.tempo = 140;
  song.restart = 2;
  song.patterns.resize(2);
  song.orders = {1, 0, 2, 7, 1};  // 2 and 7 name no pattern
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  EXPECT_EQ(std::string(m.name), "tune" + std::string(16, ' '));
  EXPECT_EQ(m.channelCount, 6);
  EXPECT_EQ(m.patternCount, 2);
  EXPECT_EQ(m.orderCount, 5);
  const uint8_t orders[5] = {1, 0, 0, 0, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(m.orderList[i], orders[i]) << i;
  EXPECT_EQ(m.restartPosition, 2);
  EXPECT_EQ(m.linearPeriods, 1);
  EXPECT_EQ(m.defaultSpeed, 4);
  EXPECT_EQ(m.defaultTempo, 140);
  EXPECT_EQ(m.defaultGlobalVolume, 64);
  EXPECT_EQ(m.c2Rate, 8363);
  EXPECT_EQ(m.gain, 64);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(m.defaultPanning[c], 128);

  XmSong amiga;
  amiga.flags = 0;
  Loaded a(write_xm(amiga));
  ASSERT_NE(a.m, nullptr);
  EXPECT_EQ(a.m->linearPeriods, 0);
}

TEST(XmLoader, RefusedFiles) {
  XmSong version;
  version.version = 0x0103;
  Loaded v(write_xm(version));
  EXPECT_EQ(v.m, nullptr);
  EXPECT_STREQ(v.message, "XM format version must be 0x0104!");

  XmSong packing;
  packing.patterns.resize(2);
  packing.patterns[1].packing = 1;
  Loaded p(write_xm(packing));
  EXPECT_EQ(p.m, nullptr);
  EXPECT_STREQ(p.message, "Unknown pattern packing type!");

  XmSong noChannels;
  noChannels.channels = 0;
  Loaded c(write_xm(noChannels));
  EXPECT_EQ(c.m, nullptr);
  EXPECT_STREQ(c.message, "Invalid module file!");

  XmSong noOrders;
  noOrders.orders.clear();
  Loaded o(write_xm(noOrders));
  EXPECT_EQ(o.m, nullptr);
  EXPECT_STREQ(o.message, "Invalid module file!");
}

TEST(XmLoader, PatternsUnpack) {
  XmSong song;
  song.channels = 2;
  song.patterns.resize(3);
  // Pattern 0: written by hand: a full note, a flagged note, then empties.
  XmPattern& hand = song.patterns[0];
  hand.rows = 2;
  hand.packed = {49,
                 3,
                 0x30,
                 0x0F,
                 0x06,  // all five fields
                 0x80 | 0x01 | 0x08,
                 97,
                 0x40,  // key off and effect 0x40 (out of range)
                 0x80 | 0x02 | 0x10,
                 5,
                 0x77,        // instrument and parameter
                 0x80};       // empty
  song.patterns[1].rows = 0;  // stored as 1 row
  song.patterns[2].rows = 3;
  song.patterns[2].cells.resize(6);
  song.patterns[2].cells[5] = {60, 1, 0x10, 0x23, 0x12};
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  const Note& a = note_at(m, 0, 0, 0);
  EXPECT_EQ(a.key, 49);
  EXPECT_EQ(a.instrument, 3);
  EXPECT_EQ(a.volume, 0x30);
  EXPECT_EQ(a.effect, FX_SPEED_TEMPO);
  EXPECT_EQ(a.param, 0x06);
  const Note& b = note_at(m, 0, 0, 1);
  EXPECT_EQ(b.key, KEY_OFF);
  EXPECT_EQ(b.effect, 0);
  EXPECT_EQ(b.param, 0);
  const Note& c = note_at(m, 0, 1, 0);
  EXPECT_EQ(c.key, 0);
  EXPECT_EQ(c.instrument, 5);
  EXPECT_EQ(c.param, 0x77);
  EXPECT_EQ(m.patterns[0].rowCount, 2);
  EXPECT_EQ(m.patterns[1].rowCount, 1);
  EXPECT_EQ(m.patterns[2].rowCount, 3);
  const Note& d = note_at(m, 2, 2, 1);
  EXPECT_EQ(d.key, 60);
  EXPECT_EQ(d.effect, 0x23);
  EXPECT_EQ(d.param, 0x12);
}

TEST(XmLoader, InstrumentsEnvelopesAndKeyMap) {
  XmSong song;
  XmInstrument ins;
  ins.name = "lead";
  ins.samples = {sample_of({1, 2}), sample_of({3})};
  ins.keyMap[0] = 1;   // key 1
  ins.keyMap[48] = 1;  // key 49
  ins.keyMap[95] = 2;  // key 96: not below the sample count, becomes 0
  ins.volumeEnvelope.points = {{0, 64}, {10, 32}, {20, 70}, {40, 0}};
  ins.volumeEnvelope.sustain = 1;
  ins.volumeEnvelope.loopStart = 2;
  ins.volumeEnvelope.loopEnd = 0x13;  // & 0x0F = 3
  ins.volumeEnvelope.type = 1 | 2 | 4;
  ins.panningEnvelope.points = {{0, 32}, {5, 0}};
  ins.panningEnvelope.count = 13;  // above 12: no points, so not enabled
  ins.panningEnvelope.type = 1;
  ins.vibratoType = 1;
  ins.vibratoSweep = 2;
  ins.vibratoDepth = 3;
  ins.vibratoRate = 4;
  ins.fadeout = 0x0400;
  song.instruments = {ins};
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  ASSERT_EQ(m.instrumentCount, 1);
  const Instrument& i = m.instruments[1];
  EXPECT_EQ(std::string(i.name), "lead" + std::string(18, ' '));
  EXPECT_EQ(i.sampleCount, 2);
  EXPECT_EQ(i.keyToSample[0], 0);
  EXPECT_EQ(i.keyToSample[1], 1);
  EXPECT_EQ(i.keyToSample[49], 1);
  EXPECT_EQ(i.keyToSample[96], 0);
  const Envelope& v = i.volumeEnvelope;
  EXPECT_EQ(v.pointCount, 4);
  EXPECT_EQ(v.enabled, 1);
  EXPECT_EQ(v.sustain, 1);
  EXPECT_EQ(v.looped, 1);
  EXPECT_EQ(v.pointTicks[1], 10);
  EXPECT_EQ(v.pointAmplitudes[1], 32);
  EXPECT_EQ(v.pointAmplitudes[2], 64);  // kept within 0..64
  EXPECT_EQ(v.sustainTick, 10);
  EXPECT_EQ(v.loopStartTick, 20);
  EXPECT_EQ(v.loopEndTick, 40);
  const Envelope& p = i.panningEnvelope;
  EXPECT_EQ(p.pointCount, 0);
  EXPECT_EQ(p.enabled, 0);
  EXPECT_EQ(i.vibratoType, 1);
  EXPECT_EQ(i.vibratoSweep, 2);
  EXPECT_EQ(i.vibratoDepth, 3);
  EXPECT_EQ(i.vibratoRate, 4);
  EXPECT_EQ(i.volumeFadeout, 0x0400);
  EXPECT_EQ(i.samples[0].data[1], 2 * 256);
  EXPECT_EQ(i.samples[1].data[0], 3 * 256);
}

TEST(XmLoader, DigiBoosterTicksAreRelative) {
  XmSong song;
  song.tracker = "DigiBooster Pro 2.18";
  XmInstrument ins;
  ins.samples = {sample_of({0})};
  ins.volumeEnvelope.points = {{0, 64}, {10, 32}, {5, 16}, {20, 0}};
  ins.volumeEnvelope.sustain = 2;
  ins.volumeEnvelope.type = 1;
  song.instruments = {ins};
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr);
  const Envelope& v = l.m->instruments[1].volumeEnvelope;
  EXPECT_EQ(v.pointTicks[1], 10);
  EXPECT_EQ(v.pointTicks[2], 15);
  EXPECT_EQ(v.pointTicks[3], 35);
  EXPECT_EQ(v.sustainTick, 15);
}

TEST(XmLoader, SamplesDecodeDeltasAndLoops) {
  XmSong song;
  XmInstrument ins;
  XmSample s8;
  s8.values = {10, -5, 127, -128, 0};
  s8.volume = 40;
  s8.fineTune = -16;
  s8.relativeNote = -12;
  s8.panning = 255;
  s8.name = "eight";
  s8.type = 1;  // forward loop
  s8.loopStart = 1;
  s8.loopLength = 3;
  XmSample s16;
  s16.values = {1000, -1000, 32767, -32768};
  s16.type = 0x10 | 1;
  s16.loopStart = 2;   // bytes: frame 1
  s16.loopLength = 8;  // bytes: 4 frames, past the end: no loop
  XmSample pingPong;
  pingPong.values = {1, 2, 3, 4, 5, 6};
  pingPong.type = 2;
  pingPong.loopStart = 1;
  pingPong.loopLength = 3;  // frames 1..3
  XmSample pingPong16;
  pingPong16.values = {100, 200, 300, 400};
  pingPong16.type = 0x10 | 3;
  pingPong16.loopStart = 4;   // frame 2
  pingPong16.loopLength = 4;  // 2 frames
  ins.samples = {s8, s16, pingPong, pingPong16};
  song.instruments = {ins};
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  EXPECT_EQ(module_fault(*l.m), std::string());
  const Instrument& i = l.m->instruments[1];
  const Sample& a = i.samples[0];
  EXPECT_EQ(std::string(a.name, 5), "eight");
  EXPECT_EQ(a.volume, 40);
  EXPECT_EQ(a.fineTune, -16);
  EXPECT_EQ(a.relativeNote, -12);
  EXPECT_EQ(a.panning, 256);
  const int want8[5] = {10, -5, 127, -128, 0};
  for (int f = 0; f < 4; ++f) EXPECT_EQ(a.data[f], want8[f] * 256) << f;
  EXPECT_EQ(a.loopStart, 1);
  EXPECT_EQ(a.loopLength, 3);
  EXPECT_EQ(a.data[4], a.data[1]);  // loop-end copy replaces the frame after the loop

  const Sample& b = i.samples[1];
  const int want16[4] = {1000, -1000, 32767, -32768};
  for (int f = 0; f < 4; ++f) EXPECT_EQ(b.data[f], want16[f]) << f;
  EXPECT_EQ(b.loopStart, 4);
  EXPECT_EQ(b.loopLength, 0);
  EXPECT_EQ(b.panning, 129);

  // Ping-pong: 1 2 3 4 | 4 3 2 | copy of frame 1, looping frames 1..6.
  const Sample& c = i.samples[2];
  EXPECT_EQ(c.loopStart, 1);
  EXPECT_EQ(c.loopLength, 6);
  const int wantPing[8] = {1, 2, 3, 4, 4, 3, 2, 2};
  for (int f = 0; f < 8; ++f) EXPECT_EQ(c.data[f], wantPing[f] * 256) << f;

  const Sample& d = i.samples[3];
  EXPECT_EQ(d.loopStart, 2);
  EXPECT_EQ(d.loopLength, 4);
  const int wantPing16[7] = {100, 200, 300, 400, 400, 300, 300};
  for (int f = 0; f < 7; ++f) EXPECT_EQ(d.data[f], wantPing16[f]) << f;
}

TEST(XmLoader, DeltaBytesAsStored) {
  // Deltas 0x10, 0xF8 (-8), 0x7F, 0x7F: running 8-bit sums 16, 8, 135 = -121, 6.
  XmSong song;
  XmInstrument ins;
  ins.samples = {sample_of({16, 8, -121, 6})};
  song.instruments = {ins};
  std::vector<uint8_t> file = write_xm(song);
  const uint8_t stored[4] = {0x10, 0xF8, 0x7F, 0x7F};
  ASSERT_EQ(std::memcmp(&file[file.size() - 4], stored, 4), 0);
  Loaded l(file);
  ASSERT_NE(l.m, nullptr);
  const int want[4] = {16, 8, -121, 6};
  for (int f = 0; f < 4; ++f) EXPECT_EQ(l.m->instruments[1].samples[0].data[f], want[f] * 256) << f;
}

TEST(XmLoader, EmptyInstrumentEndsAtItsHeader) {
  XmSong song;
  XmInstrument empty;
  empty.name = "blank";
  empty.headerSize = 29;
  XmInstrument next;
  next.name = "next";
  next.samples = {sample_of({7, 7})};
  song.instruments = {empty, next};
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  ASSERT_EQ(m.instrumentCount, 2);
  EXPECT_EQ(m.instruments[1].sampleCount, 1);
  EXPECT_EQ(m.instruments[1].samples[0].loopStart, 0);
  EXPECT_EQ(std::string(m.instruments[2].name, 4), "next");
  EXPECT_EQ(m.instruments[2].samples[0].data[1], 7 * 256);
}

TEST(XmLoader, TruncatedSampleKeepsWhatTheFileHolds) {
  XmSong song;
  XmInstrument ins;
  XmSample s = sample_of({1, 2, 3, 4, 5, 6, 7, 8});
  s.lengthOverride = 0x7FFFFFF0;  // a length far beyond the file
  ins.samples = {s};
  song.instruments = {ins};
  Loaded l(write_xm(song));
  ASSERT_NE(l.m, nullptr);
  const Sample& smp = l.m->instruments[1].samples[0];
  EXPECT_EQ(smp.loopStart, 8);
  EXPECT_EQ(smp.data[7], 8 * 256);
}

TEST(XmLoader, EveryPrefixOfAFileLoadsSafely) {
  XmSong song;
  song.patterns[0].cells.resize(64 * 4);
  song.patterns[0].cells[9] = {49, 1, 0x20, 0x04, 0x11};
  XmInstrument ins;
  XmSample s = sample_of({5, 4, 3, 2, 1, 0, -1, -2}, 0x10 | 2);
  s.loopStart = 4;
  s.loopLength = 8;
  ins.samples = {s, sample_of({1, 1}, 1)};
  ins.volumeEnvelope.points = {{0, 64}, {3, 0}};
  ins.volumeEnvelope.type = 1;
  song.instruments = {ins, ins};
  std::vector<uint8_t> file = write_xm(song);
  for (size_t n = 0; n <= file.size(); ++n) {
    expect_prefix_sound_or_refused(file, n);
  }
}

}  // namespace
