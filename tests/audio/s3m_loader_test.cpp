#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/module.h"
#include "audio/module_loader.h"
#include "tests/audio/prefix_checks.h"
#include "tests/audio/module_writers.h"

namespace {

TEST(S3mLoader, HeaderFields) {
  S3mSong song;
  song.name = "song name";
  song.globalVolume = 48;
  song.speed = 3;
  song.tempo = 150;
  song.masterVolume = 0xB0;
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  EXPECT_EQ(std::string(m.name), "song name" + std::string(19, ' '));
  EXPECT_EQ(m.defaultGlobalVolume, 48);
  EXPECT_EQ(m.defaultSpeed, 3);
  EXPECT_EQ(m.defaultTempo, 150);
  EXPECT_EQ(m.gain, 0x30);
  EXPECT_EQ(m.c2Rate, 8363);
  EXPECT_EQ(m.linearPeriods, 0);
  EXPECT_EQ(m.fastVolumeSlides, 0);
  EXPECT_EQ(m.channelCount, 4);

  S3mSong loud;
  loud.globalVolume = 200;
  Loaded g(write_s3m(loud));
  ASSERT_NE(g.m, nullptr);
  EXPECT_EQ(g.m->defaultGlobalVolume, 64);

  S3mSong fast;
  fast.flags = 0x40;
  Loaded f(write_s3m(fast));
  ASSERT_NE(f.m, nullptr);
  EXPECT_EQ(f.m->fastVolumeSlides, 1);
  S3mSong old;
  old.trackerVersion = 0x1300;
  Loaded o(write_s3m(old));
  ASSERT_NE(o.m, nullptr);
  EXPECT_EQ(o.m->fastVolumeSlides, 1);
}

TEST(S3mLoader, SignatureIsChecked) {
  S3mSong song;
  std::vector<uint8_t> file = write_s3m(song);
  file[47] = 'X';
  const char* message = nullptr;
  Module* m = load_s3m(ByteSource{file.data(), static_cast<uint32_t>(file.size())}, &message);
  EXPECT_EQ(m, nullptr);
  EXPECT_STREQ(message, "Not an S3M file!");
}

TEST(S3mLoader, OrderListLosesTrailingMarkers) {
  S3mSong song;
  song.patterns.resize(2, std::vector<std::vector<S3mCell>>(64));
  song.orders = {1, 254, 0, 255, 255};
  S3mSample s;
  s.length = 4;
  s.bytes = {0x80, 0x80, 0x80, 0x80};
  song.instruments = {s};  // its pointer sits after all five stored order bytes
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr);
  EXPECT_EQ(l.m->orderCount, 3);
  EXPECT_EQ(l.m->orderList[0], 1);
  EXPECT_EQ(l.m->orderList[1], 254);
  EXPECT_EQ(l.m->orderList[2], 0);
  EXPECT_EQ(l.m->instruments[1].samples[0].loopStart, 4);

  S3mSong markers;
  markers.orders = {255, 255, 255};
  Loaded e(write_s3m(markers));
  EXPECT_EQ(e.m, nullptr);
  EXPECT_STREQ(e.message, "Invalid module file!");
}

TEST(S3mLoader, ChannelsNotesAndEffects) {
  S3mSong song;
  // Slots 0, 2 and 5 are enabled; slot 1 holds a disabled setting.
  for (int i = 0; i < 32; ++i) song.channelSettings[i] = 255;
  song.channelSettings[0] = 0;
  song.channelSettings[1] = 16;
  song.channelSettings[2] = 9;
  song.channelSettings[5] = 3;
  std::vector<std::vector<S3mCell>>& rows = song.patterns[0];
  S3mCell c;
  c.slot = 2;
  c.note = 0x40;  // octave 4, C
  c.instrument = 7;
  c.volume = 64;
  c.effect = 1;  // A
  c.param = 0x05;
  rows[0].push_back(c);
  S3mCell dropped;
  dropped.slot = 1;
  dropped.note = 0x50;
  dropped.instrument = 1;
  rows[0].push_back(dropped);
  S3mCell d;
  d.slot = 5;
  d.note = 0x4B;  // octave 4, B
  d.volume = 65;  // beyond 64: no volume
  d.effect = 19;  // S
  d.param = 0xB2;
  rows[1].push_back(d);
  S3mCell e;
  e.slot = 0;
  e.note = 254;
  e.volume = 0x80 | 10;  // bit 7 is ignored
  e.effect = 0;          // no effect
  e.param = 0x33;
  rows[63].push_back(e);
  S3mCell f;
  f.slot = 2;
  f.note = 255;
  f.effect = 64;  // out of range
  f.param = 1;
  rows[63].push_back(f);
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  ASSERT_EQ(m.channelCount, 3);
  const Note& n = note_at(m, 0, 0, 1);
  EXPECT_EQ(n.key, 49);
  EXPECT_EQ(n.instrument, 7);
  EXPECT_EQ(n.volume, 0x50);
  EXPECT_EQ(n.effect, FX_S3M_SPEED);
  EXPECT_EQ(n.param, 0x05);
  EXPECT_EQ(note_at(m, 0, 0, 0).key, 0);
  EXPECT_EQ(note_at(m, 0, 0, 2).key, 0);
  const Note& b = note_at(m, 0, 1, 2);
  EXPECT_EQ(b.key, 60);
  EXPECT_EQ(b.volume, 0);
  EXPECT_EQ(b.effect, FX_S3M_EXTENDED);
  EXPECT_EQ(b.param, 0xB2);
  const Note& k = note_at(m, 0, 63, 0);
  EXPECT_EQ(k.key, 254);
  EXPECT_EQ(k.volume, 0x1A);
  EXPECT_EQ(k.effect, 0);
  EXPECT_EQ(k.param, 0);
  EXPECT_EQ(note_at(m, 0, 63, 1).key, 0);
  EXPECT_EQ(note_at(m, 0, 63, 1).effect, 0);
  EXPECT_EQ(note_at(m, 0, 63, 1).param, 0);
}

TEST(S3mLoader, DefaultPanning) {
  S3mSong mono;
  mono.channelSettings[3] = 8;
  Loaded a(write_s3m(mono));
  ASSERT_NE(a.m, nullptr);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(a.m->defaultPanning[c], 7 * 17) << c;

  S3mSong stereo;
  stereo.masterVolume = 0x80 | 0x30;
  stereo.channelSettings[2] = 8;
  stereo.channelSettings[3] = 15;
  Loaded b(write_s3m(stereo));
  ASSERT_NE(b.m, nullptr);
  EXPECT_EQ(b.m->gain, 0x30);
  const int want[4] = {51, 51, 204, 204};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(b.m->defaultPanning[c], want[c]) << c;

  S3mSong table = stereo;
  table.defaultPanFlag = 252;
  table.panTable[0] = 0x20 | 0x0F;
  table.panTable[1] = 0x0F;  // bit 0x20 clear: the stereo default stays
  table.panTable[2] = 0x20;
  Loaded t(write_s3m(table));
  ASSERT_NE(t.m, nullptr);
  const int tableWant[4] = {255, 51, 0, 204};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(t.m->defaultPanning[c], tableWant[c]) << c;
}

TEST(S3mLoader, SamplesConvertAndLoop) {
  S3mSong song;
  S3mSample u8;  // unsigned 8-bit (sample format 2)
  u8.name = "piano";
  u8.length = 4;
  u8.bytes = {0x80, 0xFF, 0x00, 0x81};
  u8.volume = 50;
  u8.flags = 1;
  u8.loopStart = 1;
  u8.loopEnd = 10;  // beyond the length: the loop ends with the sample
  S3mSample u16;
  u16.length = 3;
  u16.flags = 4;
  u16.bytes = {0x00, 0x00, 0xFF, 0xFF, 0x34, 0x92};
  u16.c2Speed = 16726;  // one octave above 8363
  u16.loopStart = 1;
  u16.loopEnd = 3;  // loop bit clear: no loop
  S3mSample notASample;
  notASample.type = 2;
  notASample.length = 4;
  S3mSample untagged;
  untagged.tagged = false;
  untagged.length = 4;
  S3mSample shortLoop;
  shortLoop.length = 4;
  shortLoop.flags = 1;
  shortLoop.loopStart = 2;
  shortLoop.loopEnd = 2;  // length 0: no loop
  shortLoop.bytes = {1, 2, 3, 4};
  shortLoop.c2Speed = 8000;
  song.instruments = {u8, u16, notASample, untagged, shortLoop};
  Loaded l(write_s3m(song));
  ASSERT_NE(l.m, nullptr) << l.message;
  const Module& m = *l.m;
  EXPECT_EQ(module_fault(m), std::string());
  ASSERT_EQ(m.instrumentCount, 5);
  EXPECT_EQ(std::string(m.instruments[1].name, 5), "piano");
  const Sample& a = m.instruments[1].samples[0];
  EXPECT_EQ(a.volume, 50);
  EXPECT_EQ(a.data[0], 0);
  EXPECT_EQ(a.data[1], 0x7F00);
  EXPECT_EQ(a.data[2], -32768);
  EXPECT_EQ(a.data[3], 0x100);
  EXPECT_EQ(a.loopStart, 1);
  EXPECT_EQ(a.loopLength, 3);
  EXPECT_EQ(a.data[4], a.data[1]);
  EXPECT_EQ(a.relativeNote, 0);
  EXPECT_EQ(a.fineTune, 0);
  const Sample& b = m.instruments[2].samples[0];
  EXPECT_EQ(b.data[0], -32768);
  EXPECT_EQ(b.data[1], 0x7FFF);
  EXPECT_EQ(b.data[2], 0x9234 - 0x8000);
  EXPECT_EQ(b.loopStart, 3);
  EXPECT_EQ(b.loopLength, 0);
  EXPECT_EQ(b.relativeNote * 128 + b.fineTune * 1, 12 * 128);
  EXPECT_EQ(m.instruments[3].samples[0].loopStart, 0);  // only type 1 holds a sample
  EXPECT_EQ(m.instruments[4].samples[0].loopStart, 0);
  const Sample& e = m.instruments[5].samples[0];
  EXPECT_EQ(e.loopStart, 4);
  EXPECT_EQ(e.loopLength, 0);
  // 8000 Hz is 0.77 semitone below 8363: one semitone down plus 0.23 semitone up.
  EXPECT_EQ(e.relativeNote, -1);
  EXPECT_NEAR(e.fineTune, 128 * (1 - 12 * std::log2(8363.0 / 8000.0)), 1.0);

  S3mSong signedSong;
  signedSong.sampleFormat = 1;
  S3mSample s8;
  s8.length = 2;
  s8.bytes = {0x7F, 0x80};
  signedSong.instruments = {s8};
  Loaded sl(write_s3m(signedSong));
  ASSERT_NE(sl.m, nullptr);
  EXPECT_EQ(sl.m->instruments[1].samples[0].data[0], 0x7F00);
  EXPECT_EQ(sl.m->instruments[1].samples[0].data[1], -32768);
}

TEST(S3mLoader, PackedSamplesAreRefused) {
  S3mSong song;
  S3mSample s;
  s.length = 4;
  s.packing = 1;
  song.instruments = {S3mSample(), s};
  Loaded l(write_s3m(song));
  EXPECT_EQ(l.m, nullptr);
  EXPECT_STREQ(l.message, "Packed samples not supported!");
}

TEST(S3mLoader, EveryPrefixOfAFileLoadsSafely) {
  S3mSong song;
  S3mSample s;
  s.length = 40;
  s.flags = 1 | 4;
  s.loopStart = 10;
  s.loopEnd = 30;
  s.bytes = std::vector<uint8_t>(80, 0x41);
  song.instruments = {s};
  S3mCell c;
  c.slot = 1;
  c.note = 0x31;
  c.instrument = 1;
  c.effect = 4;
  song.patterns[0][10].push_back(c);
  std::vector<uint8_t> file = write_s3m(song);
  for (size_t n = 0; n <= file.size(); ++n) {
    expect_prefix_sound_or_refused(file, n);
  }
}

}  // namespace
