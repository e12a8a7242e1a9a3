// The MOD, S3M and XM loaders on files written from the format layouts: header
// fields, refusals, truncated files and hostile counts in tables shared by the three,
// then notes and samples as each format stores them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "audio/module_loader.h"
#include "audio/rendered_song.h"
#include "audio/replay.h"
#include "base/byte_order.h"
#include "tests/audio/module_checks.h"

namespace {

template <typename Song>
File with(std::function<void(Song&)> edit) {
  Song song;
  edit(song);
  if constexpr (std::is_same_v<Song, ModSong>) return write_mod(song);
  if constexpr (std::is_same_v<Song, S3mSong>) return write_s3m(song);
  if constexpr (std::is_same_v<Song, XmSong>) return write_xm(song);
}

S3mSample s3m_sample(std::vector<uint8_t> bytes, uint32_t length, uint8_t flags = 0) {
  S3mSample s;
  s.bytes = std::move(bytes);
  s.length = length, s.flags = flags;
  return s;
}

File mod_tagged(const char* tag, int channels = 4) {
  ModSong s;
  s.tag = tag, s.channels = channels;
  return write_mod(s);
}

// Where S3M instrument header i lies in a written file.
size_t s3m_header(const File& f, const S3mSong& song, int i) {
  return 16 * size_t(load_le16(&f[s3m_pointers(song) + 2 * i]));
}

// True for a sound module; otherwise a failure naming the case.
bool sound(const Loaded& l, const std::string& what) {
  if (!l.m) ADD_FAILURE() << what << ": " << l.message;
  const char* fault = l.m ? module_fault(*l.m) : "";
  if (*fault) ADD_FAILURE() << what << ": " << fault;
  return l.m && !*fault;
}

TEST(Loaders, HeaderFields) {
  struct Case {
    const char* format;
    File file;
    const char* name;
    std::vector<int> fields;  // channels, orders, patterns, instruments, speed, tempo,
                              // global volume, C2 rate, gain, linear periods, fast slides
  };
  // clang-format off
  const Case cases[] = {
      {"M.K.", with<ModSong>([](ModSong& s) { s.name = std::string("ab\x01" "c d", 6); }), "ab c d",
       {4, 1, 1, 31, 6, 125, 64, 8287, 64, 0, 0}},
      {"M!K!", mod_tagged("M!K!"), "test", {4, 1, 1, 31, 6, 125, 64, 8287, 64, 0, 0}},
      {"FLT4", mod_tagged("FLT4"), "test", {4, 1, 1, 31, 6, 125, 64, 8287, 64, 0, 0}},
      {"6CHN", mod_tagged("6CHN", 6), "test", {6, 1, 1, 31, 6, 125, 64, 8363, 32, 0, 0}},
      {"16CH", mod_tagged("16CH", 16), "test", {16, 1, 1, 31, 6, 125, 64, 8363, 32, 0, 0}},
      {"S3M", with<S3mSong>([](S3mSong& s) {
         s.name = "song name", s.globalVolume = 48, s.speed = 3, s.tempo = 150, s.masterVolume = 0xB0; }),
       "song name", {4, 1, 1, 0, 3, 150, 48, 8363, 0x30, 0, 0}},
      {"S3M flag 0x40", with<S3mSong>([](S3mSong& s) { s.flags = 0x40; }), "test", {4, 1, 1, 0, 6, 125, 64, 8363, 0x30, 0, 1}},
      {"S3M 0x1300", with<S3mSong>([](S3mSong& s) { s.trackerVersion = 0x1300; }), "test",
       {4, 1, 1, 0, 6, 125, 64, 8363, 0x30, 0, 1}},
      {"XM", with<XmSong>([](XmSong& s) { s.name = "tune", s.channels = 6, s.speed = 4, s.tempo = 140, s.patterns.resize(2); }),
       "tune", {6, 1, 2, 0, 4, 140, 64, 8363, 64, 1, 0}},
      {"XM Amiga", with<XmSong>([](XmSong& s) { s.flags = 0; }), "test", {4, 1, 1, 0, 6, 125, 64, 8363, 64, 0, 0}},
  };
  // clang-format on
  for (const Case& c : cases) {
    Loaded l(c.file);
    if (!sound(l, c.format)) continue;
    const Module& m = *l.m;
    std::string name(m.name);
    EXPECT_EQ(name.substr(0, name.find_last_not_of(' ') + 1), c.name) << c.format;
    EXPECT_EQ(
        (Ints{m.channelCount, m.orderCount, m.patternCount, m.instrumentCount, m.defaultSpeed, m.defaultTempo,
              m.defaultGlobalVolume, m.c2Rate, m.gain, m.linearPeriods, m.fastVolumeSlides}),
        c.fields)
        << c.format;
  }
}

TEST(Loaders, RefusalsCarryTheirMessage) {
  const char* kNotMod = "MOD Format not recognised!";
  const char* kInvalid = "Invalid module file!";
  File wide = write_xm(XmSong()), packedSample = with<S3mSong>([](S3mSong&s) { s.instruments.resize(2); });
  store_le16(&wide[68], 129);                                     // channels
  packedSample[s3m_header(packedSample, S3mSong(), 1) + 30] = 1;  // packing of the second sample
  File xmPacking = write_xm(XmSong());
  xmPacking[336 + 4] = 1;
  // clang-format off
  const std::pair<File, const char*> cases[] = {
      {mod_tagged("FLT8"), kNotMod}, {mod_tagged("OCTA"), kNotMod}, {mod_tagged("    "), kNotMod},
      {mod_tagged("ZZCH"), kInvalid}, {mod_tagged("!!CH"), kInvalid}, {mod_tagged("0CHN"), kInvalid},
      {mod_tagged("/CHN"), kInvalid}, {mod_tagged("00CH"), kInvalid},
      {with<ModSong>([](ModSong& s) { s.orderCount = 0; }), kInvalid},
      {File{'E', 'x', 't', 'e'}, kNotMod},
      {File(), kNotMod},
      {packedSample, "Packed samples not supported!"},
      {with<S3mSong>([](S3mSong& s) { s.orders = {255, 0, 1}; }), kInvalid},  // 255 ends the list
      {with<XmSong>([](XmSong& s) { s.version = 0x0103; }), "XM format version must be 0x0104!"},
      {xmPacking, "Unknown pattern packing type!"},
      {with<XmSong>([](XmSong& s) { s.channels = 0; }), kInvalid},
      {wide, kInvalid},
      {with<XmSong>([](XmSong& s) { s.orders.clear(); }), kInvalid},
  };
  // clang-format on
  for (size_t i = 0; i < std::size(cases); ++i) {
    Loaded l(cases[i].first);
    EXPECT_EQ(l.m, nullptr) << "case " << i;
    EXPECT_STREQ(l.message, cases[i].second) << "case " << i;
  }
  File s3m = write_s3m(S3mSong());
  s3m[47] = 'X';  // detected as a MOD then; the S3M loader itself checks too
  const char* message = nullptr;
  EXPECT_EQ(load_s3m(ByteSource{s3m.data(), uint32_t(s3m.size())}, &message), nullptr);
  EXPECT_STREQ(message, "Not an S3M file!");
}

// Every prefix of a file loads as a sound module or fails with a message.
TEST(Loaders, EveryPrefixLoadsSafely) {
  ModSong mod;
  mod.tag = "6CHN", mod.channels = 6;
  mod.samples[0].lengthWords = 40, mod.samples[0].loopStartWords = 10, mod.samples[0].loopLengthWords = 20;
  mod.samples[0].data.assign(80, -3);
  mod.cell(0, 5, 5) = {428, 1, 0x08, 0x40};
  S3mSong s3m;
  s3m.instruments = {s3m_sample(File(80, 0x41), 40, 1 | 4)};
  s3m.instruments[0].loopStart = 10, s3m.instruments[0].loopEnd = 30;
  s3m.patterns[0][10].push_back(S3mCell{1, 0x31, 1, -1, 4, 0});
  XmSong xm;
  xm.patterns[0].cells.resize(64 * 4);
  xm.patterns[0].cells[9] = {49, 1, 0x20, 0x04, 0x11};
  XmInstrument ins;
  ins.samples = {xm_sample({5, 4, 3, 2, 1, 0, -1, -2}, 0x10 | 2, 4, 8), xm_sample({1, 1}, 1)};
  ins.volumeEnvelope.points = {{0, 64}, {3, 0}};
  ins.volumeEnvelope.type = 1;
  xm.instruments = {ins, ins};
  for (const File& file : {write_mod(mod), write_s3m(s3m), write_xm(xm)}) {
    for (size_t n = 0; n <= file.size(); ++n) {
      Loaded l(File(file.begin(), file.begin() + long(n)));
      ASSERT_TRUE(l.m ? sound(l, std::to_string(n)) : std::strlen(l.message) > 0) << n;
    }
  }
}

// Counts, pointers and lengths far beyond the file: a sound module whose allocations
// stay within the format limits; samples keep the frames the file holds.
TEST(Loaders, HostileCountsPointersAndLengths) {
  File xm = write_xm(XmSong());
  for (size_t at : {64, 70, 72, 341}) store_le16(&xm[at], 0xFFFF);  // orders, patterns, instruments, rows
  XmSong samples;
  samples.instruments = {xm_instrument(xm_sample({1, 2, 3}))};
  File xmSamples = write_xm(samples);
  size_t instrument = xmSamples.size() - 3 - 40 - 263;
  store_le16(&xmSamples[instrument + 27], 0xFFFF);           // sample headers run past the end
  store_le32(&xmSamples[instrument + 263 + 4], 0xFFFFFFF0);  // loop start far beyond the length
  store_le32(&xmSamples[instrument + 263 + 8], 0x20);
  xmSamples[instrument + 263 + 14] = 2;  // ping-pong
  S3mSong s3m;
  S3mSample huge = s3m_sample({}, 0xFFFFFFFF, 1);
  huge.loopStart = 0xFFFFFF00, huge.loopEnd = 0xFFFFFFFF;
  s3m.instruments = {huge, huge};
  File s3mFile = write_s3m(s3m);
  size_t pointers = s3m_pointers(s3m);
  store_le16(&s3mFile[pointers + 2], 0xFFFF);  // second instrument header beyond the file
  store_le16(&s3mFile[pointers + 4], 0xFFFF);  // pattern beyond the file
  store_le16(&s3mFile[34], 0xFFFF);            // instrument count: pointers run into other data
  for (const File& file : {xm, xmSamples, s3mFile}) {
    Loaded l(file);
    if (!sound(l, "hostile")) continue;
    EXPECT_EQ(l.m->instruments[1].samples[0].loopLength, 0);
  }

  // Samples cut short: {file, frames kept, frames present}; the missing ones read as 0.
  ModSong mod;
  mod.samples[0].lengthWords = 50;
  mod.samples[0].data.assign(100, 9);
  File modFile = write_mod(mod);
  modFile.resize(modFile.size() - 60);
  File xmLong =
      with<XmSong>([](XmSong& s) { s.instruments = {xm_instrument(xm_sample(std::vector<int>(8, 9)))}; });
  store_le32(&xmLong[xmLong.size() - 8 - 40], 0x7FFFFFF0);
  File s3mLong = with<S3mSong>(
      [](S3mSong& s) { s.instruments = {s3m_sample(File(8, 9), 0xFFFFFFFF)}, s.sampleFormat = 1; });
  const std::array<int, 3> cut[] = {{0, 100, 40}, {1, 8, 8}, {2, 8, 8}};
  const File* files[3] = {&modFile, &xmLong, &s3mLong};
  for (const auto& c : cut) {
    Loaded l(*files[c[0]]);
    if (!sound(l, "cut")) continue;
    const Sample& smp = l.m->instruments[1].samples[0];
    EXPECT_EQ((Ints{smp.loopStart, smp.data[c[2] - 1], smp.data[c[2]]}), (Ints{c[1], 9 * 256, 0})) << c[0];
  }
}

// 255 S3M instrument pointers all naming the header of one 4000-frame sample: the
// copies together hold no more frames than the file has bytes.
TEST(Loaders, S3mSamplesTogetherHoldAtMostTheFile) {
  S3mSong song;
  song.instruments.assign(255, S3mSample{});
  song.instruments[0] = s3m_sample(File(4000, 0x40), 4000);
  File file = write_s3m(song);
  size_t pointers = s3m_pointers(song);
  for (int i = 1; i < 255; ++i) store_le16(&file[pointers + 2 * i], load_le16(&file[pointers]));
  Loaded l(file);
  ASSERT_TRUE(sound(l, "shared"));
  int64_t frames = 0;
  for (int i = 1; i <= 255; ++i) frames += l.m->instruments[i].samples[0].loopStart;
  EXPECT_EQ(l.m->instruments[1].samples[0].loopStart, 4000);  // the first copy is whole
  EXPECT_LE(frames, int64_t(file.size()));
}

// Header speed and tempo 65535 on a 256-row pattern: 16.8 M ticks of one frame each
// if the header tempo were taken as it is.
TEST(Loaders, LongSongsCostWhatTheLongestAcceptedSongCosts) {
  auto endless = [](uint16_t speed) {
    XmSong s;
    s.channels = 1, s.speed = speed, s.tempo = 0xFFFF;
    s.patterns[0].rows = 256;
    return write_xm(s);
  };
  constexpr int32_t kLimit = 44100 * 600;
  Loaded slow(endless(0xFFFF)), fast(endless(1));
  ASSERT_TRUE(sound(slow, "slow") && sound(fast, "fast"));
  Replay* r = replay_create(slow.m, 44100, 1);
  EXPECT_EQ(replay_tick_length(r), 432);        // tempo held at 255: 220500 / 510 frames
  int32_t walked = replay_duration(r, kLimit);  // ends with the first tick past the limit
  EXPECT_TRUE(walked > kLimit && walked <= kLimit + 432) << walked;
  replay_free(r);
  RenderedSong out;
  EXPECT_FALSE(rendered_song_render(slow.m, 44100, &out));  // refused, nothing kept
  EXPECT_TRUE(out.pcm == nullptr && out.marks == nullptr && out.bytes == 0);
  ASSERT_TRUE(rendered_song_render(fast.m, 44100, &out));  // 256 rows of one 432-frame tick, one mark each
  EXPECT_EQ((Ints{int(out.markCount), int(out.bytes)}), (Ints{256, 256 * 432 * 4}));
  rendered_song_free(&out);
}

// Notes as each format stores them: MOD and S3M cells written on a row and channel
// and the note loaded there; an XM pattern packed by hand.
TEST(Loaders, NotesAndEffects) {
  struct ModCase {
    int row, channel;
    ModCell cell;
    Note note;
  };
  // clang-format off
  const ModCase modCases[] = {
      {0, 0, {428, 17, 0x0C, 0x40}, {49, 17, 0, kFxSetVolume, 0x40}},
      {0, 1, {0, 31, 0x0E, 0x91}, {0, 31, 0, kFxExtended, 0x91}},
      // Arpeggio, portamentos and volume slide without a parameter do nothing; tone
      // portamento and vibrato with volume slide lose the slide.
      {1, 0, {0, 0, 0x00, 0}, {}}, {1, 1, {0, 0, 0x01, 0}, {}}, {1, 2, {0, 0, 0x02, 0}, {}}, {1, 3, {0, 0, 0x0A, 0}, {}},
      {2, 0, {0, 0, 0x05, 0}, {0, 0, 0, kFxTonePorta, 0}}, {2, 1, {0, 0, 0x06, 0}, {0, 0, 0, kFxVibrato, 0}},
      {2, 2, {0, 0, 0x05, 1}, {0, 0, 0, kFxTonePortaVolSlide, 1}}, {2, 3, {0, 0, 0x00, 0x37}, {0, 0, 0, kFxArpeggio, 0x37}},
      {3, 0, {0, 0, 0x08, 0x80}, {}},  // four channels: no panning
      // 8 channels: panning x * 255 >> 7, at most 128.
      {3, 4, {0, 0, 0x08, 0x80}, {0, 0, 0, kFxSetPanning, 255}}, {3, 5, {0, 0, 0x08, 0xA4}, {0, 0, 0, kFxSetPanning, 128}},
      {3, 6, {0, 0, 0x08, 0x40}, {0, 0, 0, kFxSetPanning, 127}}, {3, 7, {0, 0, 0x08, 0}, {0, 0, 0, kFxSetPanning, 0}},
      // Period 428 is C-4 (key 49); doubling the period is one octave down; nearest key.
      {4, 0, {428}, {49, 0, 0, 0, 0}}, {4, 1, {856}, {37, 0, 0, 0, 0}}, {4, 2, {1712}, {25, 0, 0, 0, 0}},
      {4, 3, {214}, {61, 0, 0, 0, 0}}, {5, 0, {404}, {50, 0, 0, 0, 0}}, {5, 1, {453}, {48, 0, 0, 0, 0}},
      {5, 2, {420}, {49, 0, 0, 0, 0}}, {5, 3, {410}, {50, 0, 0, 0, 0}}, {6, 0, {28}, {96, 0, 0, 0, 0}},
      {6, 1, {27}, {0, 0, 0, 0, 0}}, {6, 2, {1713}, {0, 0, 0, 0, 0}}, {6, 3, {4095}, {0, 0, 0, 0, 0}},
  };
  // Rows of S3M cells, the channel they name and its note; the other channels stay
  // empty. Slots 0, 2 and 5 are channels 0, 1 and 2; slot 1 holds a disabled setting.
  struct S3mRow {
    std::vector<S3mCell> cells;
    int channel;
    Note note;
  } s3mRows[] = {
      {{{2, 0x40, 7, 64, 1, 0x05}, {1, 0x50, 1}}, 1, {49, 7, 0x50, kFxS3mSpeed, 0x05}},
      {{{5, 0x4B, 0, 65, 19, 0xB2}}, 2, {60, 0, 0, kFxS3mExtended, 0xB2}},  // volume beyond 64: none
      {{{0, 254, 0, 0x80 | 10, 0, 0x33}}, 0, {254, 0, 0x1A, 0, 0}},  // volume bit 7 ignored; effect 0: none
      {{{2, 255, 0, -1, 64, 1}}, 1, {}},                             // a letter beyond Z: none
      // A channel named twice in a row keeps the fields its first entry set.
      {{{0, -1, 0, 40, 1, 0x03}, {0, 0x41, 2}}, 0, {50, 2, 0x10 + 40, kFxS3mSpeed, 3}},
      {{{2, 0x41, 2, -1, 4, 0x12}, {2, -1, 0, -1, 0x7F, 0x34}}, 1, {50, 2, 0, 0, 0}},
  };
  // clang-format on
  ModSong mod, eight;
  eight.tag = "8CHN", eight.channels = 8;
  for (const ModCase& c : modCases) (c.channel < 4 ? mod : eight).cell(0, c.row, c.channel) = c.cell;
  S3mSong s3m;
  std::fill(s3m.channelSettings, s3m.channelSettings + 32, 255);
  s3m.channelSettings[0] = 0, s3m.channelSettings[1] = 16, s3m.channelSettings[2] = 9;
  s3m.channelSettings[5] = 3;
  for (size_t r = 0; r < std::size(s3mRows); ++r) s3m.patterns[0][r] = s3mRows[r].cells;
  Loaded m(write_mod(mod)), e(write_mod(eight)), s(write_s3m(s3m));
  for (const Loaded* l : {&m, &e, &s}) ASSERT_TRUE(sound(*l, "notes"));
  ASSERT_EQ(s.m->channelCount, 3);
  for (const ModCase& c : modCases)
    EXPECT_EQ(note_at(*(c.channel < 4 ? m : e).m, 0, c.row, c.channel), c.note) << c.row << " " << c.channel;
  for (int r = 0; r < int(std::size(s3mRows)); ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(note_at(*s.m, 0, r, c), c == s3mRows[r].channel ? s3mRows[r].note : Note{})
          << "S3M row " << r;

  XmSong xm;
  xm.channels = 2;
  xm.patterns.resize(3);
  // Pattern 0 by hand: all five fields; key off and effect 0x40 (out of range);
  // instrument and parameter; empty.
  xm.patterns[0].rows = 2;
  xm.patterns[0].packed = {49, 3,    0x30, 0x0F, 0x06, 0x80 | 0x01 | 0x08, 97, 0x40, 0x80 | 0x02 | 0x10,
                           5,  0x77, 0x80};
  xm.patterns[1].rows = 0;  // stored as 1 row
  xm.patterns[2].rows = 3;
  xm.patterns[2].cells.resize(6);
  xm.patterns[2].cells[5] = {60, 1, 0x10, 0x23, 0x12};
  Loaded x(write_xm(xm));
  ASSERT_TRUE(sound(x, "XM"));
  // clang-format off
  const Note notes[5] = {{49, 3, 0x30, kFxSpeedTempo, 0x06}, {kKeyOff, 0, 0, 0, 0}, {0, 5, 0, 0, 0x77}, {},
                         {60, 1, 0x10, 0x23, 0x12}};
  // clang-format on
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(i < 4 ? note_at(*x.m, 0, i / 2, i % 2) : note_at(*x.m, 2, 2, 1), notes[i]);
  EXPECT_EQ((Ints{x.m->patterns[0].rowCount, x.m->patterns[1].rowCount, x.m->patterns[2].rowCount}),
            (Ints{2, 1, 3}));
}

// Order lists, restart positions and default panning.
TEST(Loaders, OrdersAndPanning) {
  ModSong mod;
  mod.orderCount = 0x83;                                       // the high bit is ignored
  mod.restart = 5;                                             // not below the order count: becomes 0
  mod.orders[0] = 1, mod.orders[1] = 0x80, mod.orders[2] = 2;  // 0x80 & 0x7F = 0
  mod.orders[100] = 4;  // beyond the order count, still counts for the pattern count
  mod.patternCount = 5;
  S3mSong skip;  // 254 (a skip marker) stays; the replay passes over it
  skip.orders = {1, 254, 0, 255, 255};
  skip.patterns.resize(2, skip.patterns[0]);
  skip.instruments = {s3m_sample({0x80, 0x80, 0x80, 0x80}, 4)};  // its pointer follows all stored orders
  S3mSong stereo;
  stereo.masterVolume = 0x80 | 0x30;
  stereo.channelSettings[2] = 8, stereo.channelSettings[3] = 15;
  struct Case {
    const char* what;
    File file;
    std::vector<int> orders, panning;
    int restart, patterns;
  };
  const std::vector<int> kCentre = {119, 119, 119, 119};
  // 255 ends the S3M list and trailing entries beyond the patterns go; in the pan
  // table only entries with bit 0x20 count; XM orders 2 and 7 name no pattern: 0.
  // clang-format off
  const Case cases[] = {
      {"MOD", write_mod(mod), {1, 0, 2}, {51, 204, 204, 51}, 0, 5},
      {"8CHN", with<ModSong>([](ModSong& s) { s.tag = "8CHN", s.channels = 8, s.orderCount = 2, s.restart = 1; }),
       {0, 0}, {51, 204, 204, 51, 51, 204, 204, 51}, 1, 1},
      {"S3M 254", write_s3m(skip), {1, 254, 0}, kCentre, 0, 2},
      {"S3M 255", with<S3mSong>([&](S3mSong& s) { s = skip, s.orders = {0, 1, 255, 1, 0}; }), {0, 1}, kCentre, 0, 2},
      {"S3M beyond", with<S3mSong>([&](S3mSong& s) { s = skip, s.orders = {0, 1, 9, 9}; }), {0, 1}, kCentre, 0, 2},
      {"S3M mono", with<S3mSong>([](S3mSong& s) { s.channelSettings[3] = 8; }), {0}, kCentre, 0, 1},
      {"S3M stereo", write_s3m(stereo), {0}, {51, 51, 204, 204}, 0, 1},
      {"S3M table", with<S3mSong>([&](S3mSong& s) {
         s = stereo, s.defaultPanFlag = 252, s.panTable[0] = 0x20 | 0x0F, s.panTable[1] = 0x0F, s.panTable[2] = 0x20; }),
       {0}, {255, 51, 0, 204}, 0, 1},
      {"XM", with<XmSong>([](XmSong& s) { s.restart = 2, s.patterns.resize(2), s.orders = {1, 0, 2, 7, 1}; }),
       {1, 0, 0, 0, 1}, {128, 128, 128, 128}, 2, 2},
  };
  // clang-format on
  for (const Case& c : cases) {
    Loaded l(c.file);
    if (!sound(l, c.what)) continue;
    const Module& m = *l.m;
    EXPECT_EQ(std::vector<int>(m.orderList, m.orderList + m.orderCount), c.orders) << c.what;
    EXPECT_EQ(std::vector<int>(m.defaultPanning, m.defaultPanning + m.channelCount), c.panning) << c.what;
    EXPECT_EQ(m.restartPosition, c.restart) << c.what;
    EXPECT_EQ(m.patternCount, c.patterns) << c.what;
    EXPECT_EQ(m.patterns[m.patternCount - 1].rowCount, 64) << c.what;
  }
  Loaded s(write_s3m(skip));
  EXPECT_EQ(s.m->instruments[1].samples[0].loopStart, 4);
}

// Samples as each format stores them: header fields, then the first frames of data
// (16-bit values; 8-bit sources scaled by 256), the loop-end copy included.
TEST(Loaders, SamplesConvertAndLoop) {
  ModSong mod;
  mod.orders[0] = 1, mod.patternCount = 2;  // two patterns precede the sample data
  ModSample& a = mod.samples[0];
  a.name = "bass";
  a.lengthWords = 120, a.fineTuneNibble = 8, a.volume = 0xC0;  // 240 frames, -8 * 16, & 0x7F = 64
  a.loopStartWords = 100, a.loopLengthWords = 50;  // 200 + 100 > 240: the start was given in bytes
  for (int i = 0; i < 240; ++i) a.data.push_back(int8_t(i - 120));
  ModSample& b = mod.samples[1];
  b.lengthWords = 120, b.fineTuneNibble = 7, b.volume = 100;  // at most 64
  b.loopStartWords = 100, b.loopLengthWords = 75;             // halved start no longer fits: 200..240
  b.data = {5, 6, 7};
  ModSample& c = mod.samples[2];
  c.lengthWords = 10, c.loopStartWords = 2, c.loopLengthWords = 1, c.volume = 33;  // shorter than 4: no loop

  S3mSong s3m;
  S3mSample u8 = s3m_sample({0x80, 0xFF, 0x00, 0x81}, 4, 1);             // unsigned 8-bit (sample format 2)
  u8.name = "piano", u8.volume = 50, u8.loopStart = 1, u8.loopEnd = 10;  // the loop ends with the sample
  S3mSample u16 = s3m_sample({0x00, 0x00, 0xFF, 0xFF, 0x34, 0x92}, 3, 4);
  u16.c2Speed = 16726, u16.loopStart = 1, u16.loopEnd = 3;  // one octave up; loop bit clear
  S3mSample notASample = s3m_sample({}, 4), shortLoop = s3m_sample({1, 2, 3, 4}, 4, 1);
  notASample.type = 2;
  shortLoop.loopStart = 2, shortLoop.loopEnd = 2, shortLoop.c2Speed = 8000;  // 0.77 semitone down
  s3m.instruments = {u8, u16, notASample, s3m_sample({}, 4), shortLoop};
  File s3mFile = write_s3m(s3m);
  std::memset(&s3mFile[s3m_header(s3mFile, s3m, 3) + 76], 0, 4);  // no "SCRS" tag
  S3mSong signedSong;
  signedSong.sampleFormat = 1;
  signedSong.instruments = {s3m_sample({0x7F, 0x80}, 2)};

  XmSong xm;
  XmInstrument ins;
  XmSample s8 = xm_sample({10, -5, 127, -128, 0}, 1, 1, 3);  // forward loop
  s8.volume = 40, s8.fineTune = -16, s8.relativeNote = -12, s8.panning = 255, s8.name = "eight";
  // 16-bit loop of 4 frames from frame 1: past the end, no loop. Ping-pong loops of
  // frames 1..3 and 2..3 unroll: 1 2 3 4 | 4 3 2 | copy of frame 1.
  ins.samples = {xm_sample({1000, -1000, 32767, -32768}, 0x10 | 1, 2, 8),
                 xm_sample({1, 2, 3, 4, 5, 6}, 2, 1, 3), xm_sample({100, 200, 300, 400}, 0x10 | 3, 4, 4)};
  ins.samples.insert(ins.samples.begin(), s8);
  xm.instruments = {ins};

  struct Case {
    const char* what;
    int file, instrument, sample;
    std::vector<int> fields;  // loop start, loop length, volume, panning, relative note, fine tune
    std::vector<int> frames;
  };
  const Case cases[] = {
      {"MOD bass", 0, 1, 0, {100, 100, 64, 0, 0, -128}, {-120 * 256, -119 * 256}},
      {"MOD 7", 0, 2, 0, {200, 40, 64, 0, 0, 112}, {5 * 256, 6 * 256, 7 * 256, 0}},
      {"MOD short loop", 0, 3, 0, {20, 0, 33, 0, 0, 0}, {}},
      {"MOD unused", 0, 31, 0, {0, 0, 64, 0, 0, 0}, {0}},
      {"MOD placeholder", 0, 0, 0, {0, 0, 0, 0, 0, 0}, {0}},
      {"S3M unsigned 8", 1, 1, 0, {1, 3, 50, 0, 0, 0}, {0, 0x7F00, -0x8000, 0x100, 0x7F00}},
      {"S3M unsigned 16", 1, 2, 0, {3, 0, 64, 0, 12, 0}, {-32768, 0x7FFF, 0x9234 - 0x8000, 0}},
      {"S3M type 2", 1, 3, 0, {0, 0, 0, 0, 0, 0}, {0}},
      {"S3M untagged", 1, 4, 0, {0, 0, 0, 0, 0, 0}, {0}},
      {"S3M signed", 2, 1, 0, {2, 0, 64, 0, 0, 0}, {0x7F00, -32768, 0}},
      {"XM 8-bit", 3, 1, 0, {1, 3, 40, 256, -12, -16}, {10 * 256, -5 * 256, 127 * 256, -128 * 256, -5 * 256}},
      {"XM 16-bit", 3, 1, 1, {4, 0, 64, 129, 0, 0}, {1000, -1000, 32767, -32768, 0}},
      {"XM ping-pong", 3, 1, 2, {1, 6, 64, 129, 0, 0}, {256, 512, 768, 1024, 1024, 768, 512, 512}},
      {"XM ping-pong 16", 3, 1, 3, {2, 4, 64, 129, 0, 0}, {100, 200, 300, 400, 400, 300, 300}},
  };
  const File files[4] = {write_mod(mod), s3mFile, write_s3m(signedSong), write_xm(xm)};
  for (const Case& c : cases) {
    Loaded l(files[c.file]);
    if (!sound(l, c.what)) continue;
    ASSERT_EQ(l.m->instruments[c.instrument].sampleCount, c.file == 3 ? 4 : 1) << c.what;
    const Sample& s = l.m->instruments[c.instrument].samples[c.sample];
    EXPECT_EQ((Ints{s.loopStart, s.loopLength, s.volume, s.panning, s.relativeNote, s.fineTune}), c.fields)
        << c.what;
    EXPECT_EQ(std::vector<int>(s.data, s.data + c.frames.size()), c.frames) << c.what;
  }
  Loaded m(files[0]), s(files[1]), x(files[3]);
  // The last frame; the loop-end copies of frames 100 and 200.
  const Instrument* mi = m.m->instruments;
  EXPECT_EQ((Ints{mi[1].samples[0].data[239], mi[1].samples[0].data[200], mi[2].samples[0].data[240]}),
            (Ints{119 * 256, -20 * 256, 0}));
  for (int k = 0; k <= 96; ++k) EXPECT_EQ(mi[1].keyToSample[k], 0);
  // Names: text up to the field's end, spaces padded.
  EXPECT_EQ(std::string(mi[1].name, 4), "bass");
  EXPECT_EQ(std::string(s.m->instruments[1].name, 5), "piano");
  EXPECT_EQ(std::string(x.m->instruments[1].samples[0].name, 5), "eight");
  // 8000 Hz is 0.77 semitone below 8363: one semitone down plus 0.23 semitone up.
  const Sample& e = s.m->instruments[5].samples[0];
  EXPECT_EQ((Ints{e.loopStart, e.loopLength, e.relativeNote}), (Ints{4, 0, -1}));
  EXPECT_NEAR(e.fineTune, 128 * (1 - 12 * std::log2(8363.0 / 8000.0)), 1.0);
}

TEST(Loaders, XmInstrumentsEnvelopesAndKeyMap) {
  XmInstrument ins;
  ins.name = "lead";
  ins.samples = {xm_sample({1, 2}), xm_sample({3})};
  ins.keyMap[0] = 1, ins.keyMap[48] = 1;  // keys 1 and 49
  ins.keyMap[95] = 2;                     // key 96: not below the sample count, becomes 0
  XmEnvelope& v = ins.volumeEnvelope;
  v.points = {{0, 64}, {10, 32}, {20, 70}, {40, 0}};
  v.sustain = 1, v.loopStart = 2, v.loopEnd = 0x13, v.type = 1 | 2 | 4;  // loop end & 0x0F = 3
  ins.panningEnvelope.points = {{0, 32}, {5, 0}};
  ins.panningEnvelope.type = 1;
  ins.vibratoType = 1, ins.vibratoSweep = 2, ins.vibratoDepth = 3, ins.vibratoRate = 4, ins.fadeout = 0x0400;
  XmInstrument empty, next = xm_instrument(xm_sample({7, 7}));
  empty.name = "blank", empty.headerSize = 29;
  next.name = "next";
  XmInstrument digi = xm_instrument(xm_sample({0}));
  digi.volumeEnvelope.points = {{0, 64}, {10, 32}, {5, 16}, {20, 0}};
  digi.volumeEnvelope.sustain = 2, digi.volumeEnvelope.type = 1;
  XmSong song;
  song.instruments = {ins, empty, next, digi};
  File file = write_xm(song);
  file[345 + 226] = 13;  // panning envelope of 13 points: none, so not enabled
  Loaded l(file);
  ASSERT_TRUE(sound(l, "XM"));
  const Module& m = *l.m;
  ASSERT_EQ(m.instrumentCount, 4);
  const Instrument& i = m.instruments[1];
  EXPECT_EQ(std::string(i.name), "lead" + std::string(18, ' '));
  EXPECT_EQ(std::string(m.instruments[3].name, 4), "next");
  // Samples and key map; the volume envelope (amplitudes kept within 0..64); the
  // panning envelope; vibrato and fadeout; sample data.
  const Envelope& e = i.volumeEnvelope;
  EXPECT_EQ(
      (Ints{i.sampleCount,
            i.keyToSample[0],
            i.keyToSample[1],
            i.keyToSample[49],
            i.keyToSample[96],
            e.pointCount,
            e.enabled,
            e.sustain,
            e.looped,
            e.pointTicks[1],
            e.pointAmplitudes[1],
            e.pointAmplitudes[2],
            e.sustainTick,
            e.loopStartTick,
            e.loopEndTick,
            i.panningEnvelope.pointCount,
            i.panningEnvelope.enabled,
            i.vibratoType,
            i.vibratoSweep,
            i.vibratoDepth,
            i.vibratoRate,
            i.volumeFadeout,
            i.samples[0].data[1],
            i.samples[1].data[0]}),
      (Ints{2, 0, 1, 1, 0, 4, 1, 1, 1, 10, 32, 64, 10, 20, 40, 0, 0, 1, 2, 3, 4, 0x0400, 2 * 256, 3 * 256}));
  // An instrument without samples ends at its short header: the next one follows.
  // Envelope ticks are absolute.
  EXPECT_EQ((Ints{m.instruments[2].sampleCount, m.instruments[2].samples[0].loopStart,
                  m.instruments[3].samples[0].data[1], m.instruments[4].volumeEnvelope.pointTicks[2]}),
            (Ints{1, 0, 7 * 256, 5}));

  song.tracker = "DigiBooster Pro 2.18";  // ticks relative to the point before
  song.instruments = {digi};
  Loaded d(write_xm(song));
  ASSERT_NE(d.m, nullptr);
  const Envelope& r = d.m->instruments[1].volumeEnvelope;
  EXPECT_EQ((Ints{r.pointTicks[1], r.pointTicks[2], r.pointTicks[3], r.sustainTick}), (Ints{10, 15, 35, 15}));
}

}  // namespace
