// The MOD, S3M and XM loaders on files written from the format layouts: what the
// three have in common in shared tables (header fields, refusals, truncated files,
// hostile counts and pointers), then what each format does its own way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "audio/module.h"
#include "audio/module_loader.h"
#include "audio/rendered_song.h"
#include "audio/replay.h"
#include "tests/audio/module_checks.h"
#include "tests/audio/module_writers.h"

namespace {

using File = std::vector<uint8_t>;

void put16(File& f, size_t at, uint32_t v) {
  f[at] = static_cast<uint8_t>(v);
  f[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(File& f, size_t at, uint32_t v) {
  put16(f, at, v & 0xFFFF);
  put16(f, at + 2, v >> 16);
}

template <typename Song>
File with(std::function<void(Song&)> edit) {
  Song song;
  edit(song);
  if constexpr (std::is_same_v<Song, ModSong>) return write_mod(song);
  if constexpr (std::is_same_v<Song, S3mSong>) return write_s3m(song);
  if constexpr (std::is_same_v<Song, XmSong>) return write_xm(song);
}

// A loaded sample's header fields, compared at once.
struct SampleFields {
  int loopStart, loopLength, volume, panning, relativeNote, fineTune;
  bool operator==(const SampleFields& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};
void PrintTo(const SampleFields& f, std::ostream* os) {
  *os << "loop " << f.loopStart << "+" << f.loopLength << " volume " << f.volume << " panning " << f.panning
      << " note " << f.relativeNote << " fine " << f.fineTune;
}
SampleFields fields(const Sample& s) {
  return {s.loopStart, s.loopLength, s.volume, s.panning, s.relativeNote, s.fineTune};
}
// The first count frames of a sample, in units of 256 (8-bit source values).
std::vector<int> frames(const Sample& s, int count, int unit = 256) {
  std::vector<int> v;
  for (int f = 0; f < count; ++f) v.push_back(s.data[f] / unit);
  return v;
}

XmSample xm_sample(std::vector<int> values, uint8_t type = 0) {
  XmSample s;
  s.values = values;
  s.type = type;
  return s;
}

// ---------------------------------------------------------------- all formats

TEST(Loaders, HeaderFields) {
  struct Case {
    const char* format;
    File file;
    const char* name;
    int channels, orders, patterns, instruments, speed, tempo, globalVolume, c2Rate, gain, linear, fast;
  };
  const Case cases[] = {
      {"M.K.", with<ModSong>([](ModSong& s) {
         s.name = std::string(
             "ab\x01"
             "c d",
             6);
       }),
       "ab c d", 4, 1, 1, 31, 6, 125, 64, 8287, 64, 0, 0},
      {"M!K!", with<ModSong>([](ModSong& s) { s.tag = "M!K!"; }), "test", 4, 1, 1, 31, 6, 125, 64, 8287, 64,
       0, 0},
      {"FLT4", with<ModSong>([](ModSong& s) { s.tag = "FLT4"; }), "test", 4, 1, 1, 31, 6, 125, 64, 8287, 64,
       0, 0},
      {"6CHN", with<ModSong>([](ModSong& s) { s.tag = "6CHN", s.channels = 6; }), "test", 6, 1, 1, 31, 6, 125,
       64, 8363, 32, 0, 0},
      {"16CH", with<ModSong>([](ModSong& s) { s.tag = "16CH", s.channels = 16; }), "test", 16, 1, 1, 31, 6,
       125, 64, 8363, 32, 0, 0},
      {"S3M", with<S3mSong>([](S3mSong& s) {
         s.name = "song name", s.globalVolume = 48, s.speed = 3, s.tempo = 150, s.masterVolume = 0xB0;
       }),
       "song name", 4, 1, 1, 0, 3, 150, 48, 8363, 0x30, 0, 0},
      {"S3M flag 0x40", with<S3mSong>([](S3mSong& s) { s.flags = 0x40; }), "test", 4, 1, 1, 0, 6, 125, 64,
       8363, 0x30, 0, 1},
      {"S3M 0x1300", with<S3mSong>([](S3mSong& s) { s.trackerVersion = 0x1300; }), "test", 4, 1, 1, 0, 6, 125,
       64, 8363, 0x30, 0, 1},
      {"XM", with<XmSong>([](XmSong& s) {
         s.name = "tune", s.channels = 6, s.speed = 4, s.tempo = 140;
         s.patterns.resize(2);
       }),
       "tune", 6, 1, 2, 0, 4, 140, 64, 8363, 64, 1, 0},
      {"XM Amiga", with<XmSong>([](XmSong& s) { s.flags = 0; }), "test", 4, 1, 1, 0, 6, 125, 64, 8363, 64, 0,
       0},
  };
  for (const Case& c : cases) {
    Loaded l(c.file);
    ASSERT_NE(l.m, nullptr) << c.format << ": " << l.message;
    const Module& m = *l.m;
    EXPECT_EQ(module_fault(m), std::string()) << c.format;
    std::string name(m.name);
    EXPECT_EQ(name.substr(0, name.find_last_not_of(' ') + 1), c.name) << c.format;
    const int got[] = {m.channelCount, m.orderCount,    m.patternCount,        m.instrumentCount,
                       m.defaultSpeed, m.defaultTempo,  m.defaultGlobalVolume, m.c2Rate,
                       m.gain,         m.linearPeriods, m.fastVolumeSlides};
    const int want[] = {c.channels,     c.orders, c.patterns, c.instruments, c.speed, c.tempo,
                        c.globalVolume, c.c2Rate, c.gain,     c.linear,      c.fast};
    for (size_t i = 0; i < std::size(want); ++i) EXPECT_EQ(got[i], want[i]) << c.format << " field " << i;
  }
}

TEST(Loaders, RefusalsCarryTheirMessage) {
  const char* kNotMod = "MOD Format not recognised!";
  const char* kInvalid = "Invalid module file!";
  struct Case {
    const char* what;
    File file;
    const char* message;
  };
  File tiny = {'E', 'x', 't', 'e'};
  File wide = write_xm(XmSong());
  put16(wide, 68, 129);
  const Case cases[] = {
      {"FLT8", with<ModSong>([](ModSong& s) { s.tag = "FLT8"; }), kNotMod},
      {"OCTA", with<ModSong>([](ModSong& s) { s.tag = "OCTA"; }), kNotMod},
      {"blank tag", with<ModSong>([](ModSong& s) { s.tag = "    "; }), kNotMod},
      {"ZZCH", with<ModSong>([](ModSong& s) { s.tag = "ZZCH"; }), kInvalid},
      {"!!CH", with<ModSong>([](ModSong& s) { s.tag = "!!CH"; }), kInvalid},
      {"0CHN", with<ModSong>([](ModSong& s) { s.tag = "0CHN"; }), kInvalid},
      {"/CHN", with<ModSong>([](ModSong& s) { s.tag = "/CHN"; }), kInvalid},
      {"00CH", with<ModSong>([](ModSong& s) { s.tag = "00CH"; }), kInvalid},
      {"MOD without orders", with<ModSong>([](ModSong& s) { s.orderCount = 0; }), kInvalid},
      {"4 bytes", tiny, kNotMod},
      {"0 bytes", File(), kNotMod},
      {"S3M packed sample", with<S3mSong>([](S3mSong& s) {
         s.instruments = {S3mSample(), S3mSample()};
         s.instruments[1].length = 4, s.instruments[1].packing = 1;
       }),
       "Packed samples not supported!"},
      {"S3M orders all 255", with<S3mSong>([](S3mSong& s) {
         s.orders = {255, 255, 255};
       }),
       kInvalid},
      {"XM 0x0103", with<XmSong>([](XmSong& s) { s.version = 0x0103; }), "XM format version must be 0x0104!"},
      {"XM packing 1", with<XmSong>([](XmSong& s) { s.patterns.resize(2), s.patterns[1].packing = 1; }),
       "Unknown pattern packing type!"},
      {"XM 0 channels", with<XmSong>([](XmSong& s) { s.channels = 0; }), kInvalid},
      {"XM 129 channels", wide, kInvalid},
      {"XM without orders", with<XmSong>([](XmSong& s) { s.orders.clear(); }), kInvalid},
  };
  for (const Case& c : cases) {
    Loaded l(c.file);
    EXPECT_EQ(l.m, nullptr) << c.what;
    EXPECT_STREQ(l.message, c.message) << c.what;
  }
  File s3m = write_s3m(S3mSong());
  s3m[47] = 'X';  // detected as a MOD then; the S3M loader itself checks too
  const char* message = nullptr;
  EXPECT_EQ(load_s3m(ByteSource{s3m.data(), static_cast<uint32_t>(s3m.size())}, &message), nullptr);
  EXPECT_STREQ(message, "Not an S3M file!");
}

// Every prefix of a file loads as a sound module or fails with a message.
TEST(Loaders, EveryPrefixLoadsSafely) {
  ModSong mod;
  mod.tag = "6CHN";
  mod.channels = 6;
  mod.samples[0].lengthWords = 40;
  mod.samples[0].loopStartWords = 10;
  mod.samples[0].loopLengthWords = 20;
  mod.samples[0].data = std::vector<int8_t>(80, -3);
  mod.cell(0, 5, 5) = {428, 1, 0x08, 0x40};
  S3mSong s3m;
  S3mSample s;
  s.length = 40;
  s.flags = 1 | 4;
  s.loopStart = 10;
  s.loopEnd = 30;
  s.bytes = std::vector<uint8_t>(80, 0x41);
  s3m.instruments = {s};
  s3m.patterns[0][10].push_back(S3mCell{1, 0x31, 1, -1, 4, 0});
  XmSong xm;
  xm.patterns[0].cells.resize(64 * 4);
  xm.patterns[0].cells[9] = {49, 1, 0x20, 0x04, 0x11};
  XmInstrument ins;
  XmSample pingPong = xm_sample({5, 4, 3, 2, 1, 0, -1, -2}, 0x10 | 2);
  pingPong.loopStart = 4;
  pingPong.loopLength = 8;
  ins.samples = {pingPong, xm_sample({1, 1}, 1)};
  ins.volumeEnvelope.points = {{0, 64}, {3, 0}};
  ins.volumeEnvelope.type = 1;
  xm.instruments = {ins, ins};
  for (const File& file : {write_mod(mod), write_s3m(s3m), write_xm(xm)}) {
    for (size_t n = 0; n <= file.size(); ++n) {
      Loaded l(File(file.begin(), file.begin() + static_cast<long>(n)));
      if (l.m)
        ASSERT_EQ(module_fault(*l.m), std::string()) << n;
      else
        ASSERT_GT(std::strlen(l.message), 0u) << n;
    }
  }
}

TEST(Loaders, SamplesCutShortKeepWhatTheFileHolds) {
  ModSong mod;
  mod.samples[0].lengthWords = 50;
  mod.samples[0].data = std::vector<int8_t>(100, 9);
  File modFile = write_mod(mod);
  modFile.resize(modFile.size() - 60);  // the last 60 frames are missing: they read as 0
  XmSong xm;
  XmInstrument ins;
  XmSample s = xm_sample({9, 9, 9, 9, 9, 9, 9, 9});
  s.lengthOverride = 0x7FFFFFF0;  // a length far beyond the file
  ins.samples = {s};
  xm.instruments = {ins};
  S3mSong s3m;
  S3mSample big;
  big.length = 0xFFFFFFFF;
  big.bytes.assign(8, 0x09);
  s3m.instruments = {big};
  s3m.sampleFormat = 1;
  struct Case {
    File file;
    int frames, present;
  } cases[] = {{modFile, 100, 40}, {write_xm(xm), 8, 8}, {write_s3m(s3m), 8, 8}};
  for (const Case& c : cases) {
    Loaded l(c.file);
    ASSERT_NE(l.m, nullptr) << l.message;
    EXPECT_EQ(module_fault(*l.m), std::string());
    const Sample& smp = l.m->instruments[1].samples[0];
    EXPECT_EQ(smp.loopStart, c.frames);
    EXPECT_EQ(smp.data[c.present - 1], 9 * 256);
    EXPECT_EQ(smp.data[c.present], 0);
  }
}

// Counts, pointers and lengths far beyond the file: a sound module whose allocations
// stay within the format limits.
TEST(Loaders, HostileCountsAndPointers) {
  File xm = write_xm(XmSong());
  put16(xm, 70, 0xFFFF);   // patterns
  put16(xm, 72, 0xFFFF);   // instruments
  put16(xm, 64, 0xFFFF);   // orders
  put16(xm, 341, 0xFFFF);  // rows of the first pattern
  XmSong samples;
  XmInstrument ins;
  ins.samples = {xm_sample({1, 2, 3})};
  samples.instruments = {ins};
  File xmSamples = write_xm(samples);
  size_t instrument = xmSamples.size() - 3 - 40 - 263;
  put16(xmSamples, instrument + 27, 0xFFFF);           // sample headers run past the end
  put32(xmSamples, instrument + 263 + 4, 0xFFFFFFF0);  // loop start far beyond the length
  put32(xmSamples, instrument + 263 + 8, 0x20);
  xmSamples[instrument + 263 + 14] = 2;  // ping-pong
  S3mSong s3m;
  S3mSample s;
  s.length = 0xFFFFFFFF;
  s.flags = 1;
  s.loopStart = 0xFFFFFF00;
  s.loopEnd = 0xFFFFFFFF;
  s3m.instruments = {s, s};
  File s3mFile = write_s3m(s3m);
  size_t pointers = 96 + s3m.orders.size();
  put16(s3mFile, pointers + 2, 0xFFFF);  // second instrument header beyond the file
  put16(s3mFile, pointers + 4, 0xFFFF);  // pattern beyond the file
  put16(s3mFile, 34, 0xFFFF);            // instrument count: pointers run into other data
  for (const File& file : {xm, xmSamples, s3mFile}) {
    Loaded l(file);
    ASSERT_NE(l.m, nullptr) << l.message;
    EXPECT_EQ(module_fault(*l.m), std::string());
    EXPECT_EQ(l.m->instruments[1].samples[0].loopLength, 0);
  }
}

// 255 S3M instrument pointers all naming the header of one 4000-frame sample: the
// copies together hold no more frames than the file has bytes.
TEST(Loaders, S3mSamplesTogetherHoldAtMostTheFile) {
  S3mSong song;
  song.instruments.assign(255, S3mSample{});
  song.instruments[0].length = 4000;
  song.instruments[0].bytes.assign(4000, 0x40);
  File file = write_s3m(song);
  size_t pointers = 96 + song.orders.size();
  for (int i = 1; i < 255; ++i) put16(file, pointers + 2 * i, file[pointers] | file[pointers + 1] << 8);
  Loaded l(file);
  ASSERT_NE(l.m, nullptr) << l.message;
  EXPECT_EQ(module_fault(*l.m), std::string());
  int64_t frames = 0;
  for (int i = 1; i <= 255; ++i) frames += l.m->instruments[i].samples[0].loopStart;
  EXPECT_EQ(l.m->instruments[1].samples[0].loopStart, 4000);  // the first copy is whole
  EXPECT_LE(frames, static_cast<int64_t>(file.size()));
}

// Header speed and tempo 65535 on a 256-row pattern: 16.8 M ticks of one frame each
// if the header tempo were taken as it is.
TEST(Loaders, LongSongsCostWhatTheLongestAcceptedSongCosts) {
  auto endless = [](uint16_t speed) {
    return with<XmSong>([speed](XmSong& s) {
      s.channels = 1, s.speed = speed, s.tempo = 0xFFFF;
      s.patterns[0].rows = 256;
      s.patterns[0].cells.assign(256, XmCell{});
    });
  };
  constexpr int32_t kLimit = 44100 * 600;
  Loaded slow(endless(0xFFFF));
  ASSERT_NE(slow.m, nullptr) << slow.message;
  Replay* r = replay_create(slow.m, 44100, 1);
  EXPECT_EQ(replay_tick_length(r), 432);        // tempo held at 255: 220500 / 510 frames
  int32_t walked = replay_duration(r, kLimit);  // ends with the first tick past the limit
  EXPECT_GT(walked, kLimit);
  EXPECT_LE(walked, kLimit + 432);
  replay_free(r);
  RenderedSong out;
  EXPECT_FALSE(rendered_song_render(slow.m, 44100, &out));
  EXPECT_EQ(out.marks, nullptr);
  Loaded fast(endless(1));  // 256 rows of one 432-frame tick, one mark each
  ASSERT_NE(fast.m, nullptr) << fast.message;
  ASSERT_TRUE(rendered_song_render(fast.m, 44100, &out));
  EXPECT_EQ(out.markCount, 256u);
  EXPECT_EQ(out.bytes, 256u * 432 * 4);
  rendered_song_free(&out);
}

// ---------------------------------------------------------------- MOD

TEST(ModLoader, OrderListRestartAndPanning) {
  ModSong song;
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
  EXPECT_EQ(m.orderCount, 3);
  EXPECT_EQ(m.restartPosition, 0);
  EXPECT_EQ(m.patternCount, 5);
  EXPECT_EQ(m.orderList[0], 1);
  EXPECT_EQ(m.orderList[1], 0);
  EXPECT_EQ(m.orderList[2], 2);
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
  EXPECT_EQ(note_at(m, 0, 0, 0), (Note{49, 17, 0, kFxSetVolume, 0x40}));
  EXPECT_EQ(note_at(m, 0, 0, 1).instrument, 31);
  EXPECT_EQ(note_at(m, 0, 0, 1).effect, kFxExtended);
  EXPECT_EQ(note_at(m, 0, 0, 1).param, 0x91);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(note_at(m, 0, 1, c).effect, 0) << c;
  EXPECT_EQ(note_at(m, 0, 2, 0).effect, kFxTonePorta);
  EXPECT_EQ(note_at(m, 0, 2, 1).effect, kFxVibrato);
  EXPECT_EQ(note_at(m, 0, 2, 2).effect, kFxTonePortaVolSlide);
  EXPECT_EQ(note_at(m, 0, 2, 3).effect, kFxArpeggio);
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
    EXPECT_EQ(note_at(*l.m, 0, 0, c).effect, kFxSetPanning) << c;
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
  EXPECT_EQ(fields(sa), (SampleFields{100, 100, 64, 0, 0, -128}));
  EXPECT_EQ(sa.data[0], -120 * 256);
  EXPECT_EQ(sa.data[239], 119 * 256);
  EXPECT_EQ(sa.data[200], sa.data[100]);  // loop-end copy
  const Sample& sb = m.instruments[2].samples[0];
  EXPECT_EQ(fields(sb), (SampleFields{200, 40, 64, 0, 0, 112}));
  EXPECT_EQ(sb.data[0], 5 * 256);
  EXPECT_EQ(sb.data[2], 7 * 256);
  EXPECT_EQ(sb.data[240], 0);  // copy of frame 200
  const Sample& sc = m.instruments[3].samples[0];
  EXPECT_EQ(fields(sc), (SampleFields{20, 0, 33, 0, 0, 0}));
  // Unused instruments and the placeholder are empty samples.
  EXPECT_EQ(m.instruments[0].sampleCount, 1);
  EXPECT_EQ(m.instruments[0].samples[0].loopStart, 0);
  EXPECT_EQ(m.instruments[31].samples[0].loopStart, 0);
  for (int k = 0; k <= 96; ++k) EXPECT_EQ(m.instruments[1].keyToSample[k], 0);
}

// ---------------------------------------------------------------- S3M

TEST(S3mLoader, InstrumentPointersFollowTheStoredOrders) {
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
  EXPECT_EQ(note_at(m, 0, 0, 1), (Note{49, 7, 0x50, kFxS3mSpeed, 0x05}));
  EXPECT_EQ(note_at(m, 0, 0, 0).key, 0);
  EXPECT_EQ(note_at(m, 0, 0, 2).key, 0);
  EXPECT_EQ(note_at(m, 0, 1, 2), (Note{60, 0, 0, kFxS3mExtended, 0xB2}));
  EXPECT_EQ(note_at(m, 0, 63, 0), (Note{254, 0, 0x1A, 0, 0}));
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
  EXPECT_EQ(fields(a), (SampleFields{1, 3, 50, 0, 0, 0}));
  EXPECT_EQ(frames(a, 5), (std::vector<int>{0, 0x7F, -128, 1, 0x7F}));  // then the loop-end copy
  const Sample& b = m.instruments[2].samples[0];
  EXPECT_EQ(frames(b, 3, 1), (std::vector<int>{-32768, 0x7FFF, 0x9234 - 0x8000}));
  EXPECT_EQ(fields(b).loopStart, 3);
  EXPECT_EQ(fields(b).loopLength, 0);
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

// ---------------------------------------------------------------- XM

TEST(XmLoader, OrdersNamingNoPatternPlayPattern0) {
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
  EXPECT_EQ(m.orderCount, 5);
  const uint8_t orders[5] = {1, 0, 0, 0, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(m.orderList[i], orders[i]) << i;
  EXPECT_EQ(m.restartPosition, 2);
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
  EXPECT_EQ(note_at(m, 0, 0, 0), (Note{49, 3, 0x30, kFxSpeedTempo, 0x06}));
  EXPECT_EQ(note_at(m, 0, 0, 1), (Note{kKeyOff, 0, 0, 0, 0}));
  EXPECT_EQ(note_at(m, 0, 1, 0), (Note{0, 5, 0, 0, 0x77}));
  EXPECT_EQ(m.patterns[0].rowCount, 2);
  EXPECT_EQ(m.patterns[1].rowCount, 1);
  EXPECT_EQ(m.patterns[2].rowCount, 3);
  EXPECT_EQ(note_at(m, 2, 2, 1), (Note{60, 1, 0x10, 0x23, 0x12}));
}

TEST(XmLoader, InstrumentsEnvelopesAndKeyMap) {
  XmSong song;
  XmInstrument ins;
  ins.name = "lead";
  ins.samples = {xm_sample({1, 2}), xm_sample({3})};
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
  ins.samples = {xm_sample({0})};
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
  EXPECT_EQ(fields(a), (SampleFields{1, 3, 40, 256, -12, -16}));
  EXPECT_EQ(frames(a, 5), (std::vector<int>{10, -5, 127, -128, -5}));  // the loop-end copy replaces frame 4

  const Sample& b = i.samples[1];
  EXPECT_EQ(frames(b, 4, 1), (std::vector<int>{1000, -1000, 32767, -32768}));
  EXPECT_EQ(fields(b), (SampleFields{4, 0, 64, 129, 0, 0}));

  // Ping-pong: 1 2 3 4 | 4 3 2 | copy of frame 1, looping frames 1..6.
  const Sample& c = i.samples[2];
  EXPECT_EQ(fields(c).loopStart, 1);
  EXPECT_EQ(fields(c).loopLength, 6);
  EXPECT_EQ(frames(c, 8), (std::vector<int>{1, 2, 3, 4, 4, 3, 2, 2}));

  const Sample& d = i.samples[3];
  EXPECT_EQ(fields(d).loopStart, 2);
  EXPECT_EQ(fields(d).loopLength, 4);
  EXPECT_EQ(frames(d, 7, 1), (std::vector<int>{100, 200, 300, 400, 400, 300, 300}));
}

TEST(XmLoader, EmptyInstrumentEndsAtItsHeader) {
  XmSong song;
  XmInstrument empty;
  empty.name = "blank";
  empty.headerSize = 29;
  XmInstrument next;
  next.name = "next";
  next.samples = {xm_sample({7, 7})};
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

}  // namespace
