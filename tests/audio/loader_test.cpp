// The MOD, S3M and XM loaders on files written from the format layouts: one rich file per
// format read back field by field and walked prefix by prefix, then refusals and hostile
// counts in tables shared by the three.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "audio/module_loader.h"
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

S3mSample s3m_sample(File bytes, uint32_t length, uint8_t flags = 0) {
  return S3mSample{1, 64, flags, "", length, 0, 0, 8363, std::move(bytes)};
}

File mod_tagged(const char* tag, int channels = 4) { return write_mod(ModSong{"test", tag, channels}); }

// True for a sound module; otherwise a failure naming the case.
bool sound(const Loaded& l, const std::string& what) {
  if (!l.m) ADD_FAILURE() << what << ": " << l.message;
  const char* fault = l.m ? module_fault(*l.m) : "";
  if (*fault) ADD_FAILURE() << what << ": " << fault;
  return l.m && !*fault;
}

// A MOD of five stored patterns (order entry 100 names pattern 4) and three samples.
File rich_mod() {
  ModSong mod;
  mod.name = "ab\1c d";                    // control characters read as spaces
  mod.orderCount = 0x83, mod.restart = 3;  // the high bit is ignored; restart 3 of 3 becomes 0
  mod.orders[0] = 1, mod.orders[1] = 0x80, mod.orders[2] = 2, mod.orders[100] = 4, mod.patternCount = 5;
  mod.cell(0, 0, 0) = {0, 0, 0x08, 0x80};  // four channels: no panning
  ModSample &a = mod.samples[0], &b = mod.samples[1], &c = mod.samples[2];
  a.name = "bass", a.lengthWords = 120, a.fineTuneNibble = 8, a.volume = 0xC0;  // -8 * 16; & 0x7F = 64
  a.loopStartWords = 100, a.loopLengthWords = 50;  // 200 + 100 > 240: the start was given in bytes
  for (int i = 0; i < 240; ++i) a.data.push_back(int8_t(i - 120));
  b.lengthWords = 120, b.fineTuneNibble = 7, b.volume = 100, b.data = {5, 6, 7};  // volume at most 64
  b.loopStartWords = 100, b.loopLengthWords = 75;  // the halved start does not fit either: 200..240
  c.lengthWords = 10, c.loopStartWords = 2, c.loopLengthWords = 1, c.volume = 33;  // shorter than 4: no loop
  return write_mod(mod);
}

// clang-format off
// Rows of S3M cells, the channel they name and its note; the other channels stay empty.
struct S3mRow {
  std::vector<S3mCell> cells;
  int channel;
  Note note;
} kS3mRows[] = {
    {{{2, 0x40, 7, 64, 1, 0x05}, {1, 0x50, 1}}, 1, {49, 7, 0x50, kFxS3mSpeed, 0x05}},
    {{{5, 0x4B, 0, 65, 19, 0xB2}}, 2, {60, 0, 0, kFxS3mExtended, 0xB2}},  // volume beyond 64: none
    {{{0, 254, 0, 0x80 | 10, 0, 0x33}}, 0, {254, 0, 0x1A, 0, 0}},         // volume bit 7 ignored; effect 0: none
    {{{2, 255, 0, -1, 64, 1}}, 1, {}},                                     // a letter beyond Z: none
    // A channel named twice in a row keeps the fields its first entry set.
    {{{0, -1, 0, 40, 1, 0x03}, {0, 0x41, 2}}, 0, {50, 2, 0x10 + 40, kFxS3mSpeed, 3}},
    {{{2, 0x41, 2, -1, 4, 0x12}, {2, -1, 0, -1, 0x7F, 0x34}}, 1, {50, 2, 0, 0, 0}},
};

// An S3M of slots 0, 2 and 5 as channels 0..2 (slot 1 holds a disabled setting, slot 2 a
// right one, ignored in mono), the rows above twice, orders 1 254 0 then 255 twice, and
// five instruments whose pointers follow all stored orders.
File rich_s3m() {
  S3mSong s;
  s.name = "song name", s.globalVolume = 48, s.speed = 3, s.tempo = 150, s.orders = {1, 254, 0, 255, 255};
  std::fill(s.channelSettings, s.channelSettings + 32, 255);
  s.channelSettings[0] = 0, s.channelSettings[1] = 16, s.channelSettings[2] = 9, s.channelSettings[5] = 3;
  for (size_t r = 0; r < std::size(kS3mRows); ++r) s.patterns[0][r] = kS3mRows[r].cells;
  s.patterns.push_back(s.patterns[0]);
  S3mSample u8 = s3m_sample({0x80, 0xFF, 0x00, 0x81}, 4, 1);             // unsigned 8-bit (sample format 2)
  u8.name = "piano", u8.volume = 50, u8.loopStart = 1, u8.loopEnd = 10;  // the loop ends with the sample
  S3mSample u16 = s3m_sample({0x00, 0x00, 0xFF, 0xFF, 0x34, 0x92}, 3, 4), other = s3m_sample({}, 4);
  u16.c2Speed = 16726, u16.loopStart = 1, u16.loopEnd = 3;  // one octave up; loop bit clear
  S3mSample untagged = s3m_sample({}, 4), shortLoop = s3m_sample({1, 2, 3, 4}, 4, 1);
  other.type = 2, shortLoop.loopStart = 2, shortLoop.loopEnd = 2, shortLoop.c2Speed = 8000;
  s.instruments = {u8, u16, other, untagged, shortLoop};
  File file = write_s3m(s);
  std::memset(&file[16 * size_t(load_le16(&file[s3m_pointers(s) + 6])) + 76], 0, 4);  // untagged: no "SCRS"
  return file;
}

// An XM of two channels; instruments: a lead with envelopes, one without samples (a short
// header), the next, one with points out of order, and four kinds of samples.
XmSong rich_xm_song() {
  XmSong xm;
  xm.name = "tune", xm.channels = 2, xm.speed = 4, xm.tempo = 140, xm.restart = 2;
  xm.orders = {1, 0, 3, 7, 2};  // 3 and 7 name no pattern: 0
  xm.patterns.resize(3);
  xm.patterns[0].rows = 2, xm.patterns[1].rows = 0, xm.patterns[2].rows = 3;  // 0 rows are stored as 1
  // All five fields (stored without a flag byte); key off and effect 0x40 (out of range).
  xm.patterns[0].cells = {{49, 3, 0x30, 0x0F, 0x06}, {kKeyOff, 0, 0, 0x40, 0}, {0, 5, 0, 0, 0x77}, {}};
  xm.patterns[2].cells = {{}, {}, {}, {}, {}, {60, 1, 0x10, 0x23, 0x12}};
  XmInstrument lead{"lead", {xm_sample({1, 2}), xm_sample({3})}}, empty{"blank"}, kinds;
  XmInstrument next{"next", {xm_sample({7, 7})}}, digi = xm_instrument(xm_sample({0}));
  empty.headerSize = 29;
  lead.keyMap[0] = 1, lead.keyMap[48] = 1, lead.keyMap[95] = 2;  // keys 1, 49; 2 is no sample: 0
  lead.volumeEnvelope = {{{0, 64}, {10, 32}, {20, 70}, {40, 0}}, 1, 2, 0x13, 1 | 2 | 4};  // loop end & 0x0F = 3
  lead.panningEnvelope = {std::vector<std::pair<uint16_t, uint16_t>>(13, {0, 32}), 0, 0, 0, 1};  // 13 points: none
  lead.vibratoType = 1, lead.vibratoSweep = 2, lead.vibratoDepth = 3, lead.vibratoRate = 4, lead.fadeout = 0x0400;
  digi.volumeEnvelope = {{{0, 64}, {10, 32}, {5, 16}, {20, 0}}, 2, 0, 0, 1};
  // 8-bit forward loop; 16-bit loop of 4 frames from frame 1, past the end: no loop;
  // ping-pong loops of frames 1..3 and 2..3 unroll: 1 2 3 4 | 4 3 2 | copy of frame 1.
  kinds.samples = {xm_sample({10, -5, 127, -128, 0}, 1, 1, 3), xm_sample({1000, -1000, 32767, -32768}, 0x10 | 1, 2, 8),
                   xm_sample({1, 2, 3, 4, 5, 6}, 2, 1, 3), xm_sample({100, 200, 300, 400}, 0x10 | 3, 4, 4)};
  XmSample& s8 = kinds.samples[0];
  s8.volume = 40, s8.fineTune = -16, s8.relativeNote = -12, s8.panning = 255, s8.name = "eight";
  xm.instruments = {lead, empty, next, digi, kinds};
  return xm;
}
// clang-format on

File rich_xm() { return write_xm(rich_xm_song()); }

// Header fields, order lists, default panning; refusals with their messages. MOD order
// entries lose bit 7 and the pattern count covers the whole table; 255 ends an S3M list and
// trailing entries that name no pattern go; an S3M pan table entry counts with bit 0x20
// only; XM entries that name no pattern become 0.
TEST(Loaders, HeadersOrdersPanningAndRefusals) {
  struct Case {
    const char* format;
    File file;
    const char* name;  // or the message of a refused file
    // Channels, patterns, instruments, restart, speed, tempo, global volume, C2 rate, gain,
    // linear periods, fast volume slides (none: refused); the orders; the panning unless empty.
    std::vector<int> fields{}, orders{}, panning{};
  };
  const std::vector<int> kMod = {51, 204, 204, 51};
  const char *kNotMod = "MOD Format not recognised!", *kInvalid = "Invalid module file!";
  File wide = write_xm(XmSong()), xmPacking = wide,
       packedSample = with<S3mSong>([](S3mSong&s) { s.instruments.resize(2); });
  store_le16(&wide[68], 129), xmPacking[336 + 4] = 1;  // channels; packing of the first pattern
  packedSample[16 * size_t(load_le16(&packedSample[97 + 2])) + 30] = 1;  // packing of the second sample
  // clang-format off
  const Case cases[] = {
      {"M.K.", rich_mod(), "ab c d", {4, 5, 31, 0, 6, 125, 64, 8287, 64, 0, 0}, {1, 0, 2}, kMod},
      {"M!K!", with<ModSong>([](ModSong& s) { s.tag = "M!K!", s.orderCount = 2, s.restart = 1; }), "test",
       {4, 1, 31, 1, 6, 125, 64, 8287, 64, 0, 0}, {0, 0}, kMod},
      {"FLT4", mod_tagged("FLT4"), "test", {4, 1, 31, 0, 6, 125, 64, 8287, 64, 0, 0}, {0}, kMod},
      {"6CHN", mod_tagged("6CHN", 6), "test", {6, 1, 31, 0, 6, 125, 64, 8363, 32, 0, 0}, {0}, {51, 204, 204, 51, 51, 204}},
      {"16CH", mod_tagged("16CH", 16), "test", {16, 1, 31, 0, 6, 125, 64, 8363, 32, 0, 0}, {0}, {}},
      {"S3M", rich_s3m(), "song name", {3, 2, 5, 0, 3, 150, 48, 8363, 0x30, 0, 0}, {1, 254, 0}, {119, 119, 119}},
      // Global volume at most 64; stereo by bit 7 of the master volume, which the gain leaves.
      {"S3M 0x40", with<S3mSong>([](S3mSong& s) {
         s.flags = 0x40, s.globalVolume = 200, s.masterVolume = 0x80 | 0x30, s.defaultPanFlag = 252;
         s.channelSettings[2] = 8, s.channelSettings[3] = 15, s.panTable[0] = 0x2F, s.panTable[1] = 0x0F, s.panTable[3] = 0x20; }),
       "test", {4, 1, 0, 0, 6, 125, 64, 8363, 0x30, 0, 1}, {0}, {255, 51, 204, 0}},
      {"S3M 0x1300", with<S3mSong>([](S3mSong& s) {
         s.trackerVersion = 0x1300, s.patterns.push_back(s.patterns[0]), s.orders = {0, 1, 2, 255, 1}; }),
       "test", {4, 2, 0, 0, 6, 125, 64, 8363, 0x30, 0, 1}, {0, 1}, {119, 119, 119, 119}},
      {"XM", rich_xm(), "tune", {2, 3, 5, 2, 4, 140, 64, 8363, 64, 1, 0}, {1, 0, 0, 0, 2}, {128, 128}},
      {"XM Amiga", with<XmSong>([](XmSong& s) { s.flags = 0; }), "test", {4, 1, 0, 0, 6, 125, 64, 8363, 64, 0, 0}, {0}, {}},
      {"FLT8", mod_tagged("FLT8"), kNotMod}, {"empty", File(), kNotMod}, {"ZZCH", mod_tagged("ZZCH"), kInvalid},
      {"0CHN", mod_tagged("0CHN"), kInvalid}, {"S3M packed", packedSample, "Packed samples not supported!"},
      {"XM packing", xmPacking, "Unknown pattern packing type!"},
      {"XM 0x0103", with<XmSong>([](XmSong& s) { s.version = 0x0103; }), "XM format version must be 0x0104!"},
      {"XM silent", with<XmSong>([](XmSong& s) { s.channels = 0; }), kInvalid}, {"XM wide", wide, kInvalid},
  };
  // clang-format on
  for (const Case& c : cases) {
    Loaded l(c.file);
    EXPECT_STREQ(l.m ? "loaded" : l.message, c.fields.empty() ? c.name : "loaded") << c.format;
    if (c.fields.empty() || !sound(l, c.format)) continue;
    const Module& m = *l.m;
    std::string name(m.name);
    EXPECT_EQ(name.substr(0, name.find_last_not_of(' ') + 1), c.name) << c.format;
    EXPECT_EQ(
        (Ints{m.channelCount, m.patternCount, m.instrumentCount, m.restartPosition, m.defaultSpeed,
              m.defaultTempo, m.defaultGlobalVolume, m.c2Rate, m.gain, m.linearPeriods, m.fastVolumeSlides}),
        c.fields)
        << c.format;
    EXPECT_EQ(Ints(m.orderList, m.orderList + m.orderCount), c.orders) << c.format;
    EXPECT_EQ(c.panning.empty() ? Ints() : Ints(m.defaultPanning, m.defaultPanning + m.channelCount),
              c.panning)
        << c.format;
  }
  const char* message = nullptr;  // the S3M loader checks the tag too
  EXPECT_EQ(load_s3m(ByteSource{wide.data(), uint32_t(wide.size())}, &message), nullptr);
  EXPECT_STREQ(message, "Not an S3M file!");
}

// Every prefix of a rich file loads as a sound module or fails with a message.
TEST(Loaders, EveryPrefixLoadsSafely) {
  for (const File& file : {rich_mod(), rich_s3m(), rich_xm()}) {
    for (size_t n = 0; n <= file.size(); ++n) {
      Loaded l(File(file.begin(), file.begin() + long(n)));
      ASSERT_TRUE(l.m ? sound(l, std::to_string(n)) : std::strlen(l.message) > 0) << n;
    }
  }
}

// Notes as each format stores them; MOD cells on an 8-channel file, one after another.
TEST(Loaders, NotesAndEffects) {
  // clang-format off
  const std::pair<ModCell, Note> modCases[] = {
      {{428, 17, 0x0C, 0x40}, {49, 17, 0, kFxSetVolume, 0x40}}, {{0, 31, 0x0E, 0x91}, {0, 31, 0, kFxExtended, 0x91}},
      // Portamentos and volume slide without a parameter do nothing; tone portamento and
      // vibrato with volume slide lose the slide; arpeggio with one stays.
      {{0, 0, 0x01, 0}, {}}, {{0, 0, 0x02, 0}, {}}, {{0, 0, 0x0A, 0}, {}}, {{0, 0, 0x05, 0}, {0, 0, 0, kFxTonePorta, 0}},
      {{0, 0, 0x06, 0}, {0, 0, 0, kFxVibrato, 0}}, {{0, 0, 0x05, 1}, {0, 0, 0, kFxTonePortaVolSlide, 1}},
      {{0, 0, 0x00, 0x37}, {0, 0, 0, kFxArpeggio, 0x37}},
      // Panning x * 255 >> 7, at most 128.
      {{0, 0, 0x08, 0x80}, {0, 0, 0, kFxSetPanning, 255}}, {{0, 0, 0x08, 0xA4}, {0, 0, 0, kFxSetPanning, 128}},
      // Period 428 is C-4 (key 49), doubling it is one octave down; the nearest key; 28..1712 only.
      {{428}, {49, 0, 0, 0, 0}}, {{856}, {37, 0, 0, 0, 0}}, {{214}, {61, 0, 0, 0, 0}}, {{404}, {50, 0, 0, 0, 0}},
      {{453}, {48, 0, 0, 0, 0}}, {{420}, {49, 0, 0, 0, 0}}, {{410}, {50, 0, 0, 0, 0}}, {{28}, {96, 0, 0, 0, 0}},
      {{1712}, {25, 0, 0, 0, 0}}, {{27}, {}}, {{1713}, {}},
  };
  // clang-format on
  ModSong eight{"test", "8CHN", 8};
  for (size_t i = 0; i < std::size(modCases); ++i) eight.cell(0, int(i / 8), int(i % 8)) = modCases[i].first;
  Loaded e(write_mod(eight)), m(rich_mod()), s(rich_s3m()), x(rich_xm());
  ASSERT_TRUE(sound(e, "8CHN") && sound(m, "MOD") && sound(s, "S3M") && sound(x, "XM"));
  for (size_t i = 0; i < std::size(modCases); ++i)
    EXPECT_EQ(note_at(*e.m, 0, int(i / 8), int(i % 8)), modCases[i].second) << "MOD case " << i;
  EXPECT_EQ(note_at(*m.m, 0, 0, 0), Note{});
  for (int r = 0; r < int(std::size(kS3mRows)); ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(note_at(*s.m, 0, r, c), c == kS3mRows[r].channel ? kS3mRows[r].note : Note{})
          << "S3M row " << r;
  const Note notes[5] = {{49, 3, 0x30, kFxSpeedTempo, 0x06}, {kKeyOff, 0, 0, 0, 0}, {0, 5, 0, 0, 0x77}, {}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(note_at(*x.m, 0, i / 2, i % 2), notes[i]) << "XM " << i;
  EXPECT_EQ(note_at(*x.m, 2, 2, 1), (Note{60, 1, 0x10, 0x23, 0x12}));
  EXPECT_EQ((Ints{x.m->patterns[0].rowCount, x.m->patterns[1].rowCount, x.m->patterns[2].rowCount,
                  s.m->patterns[0].rowCount, m.m->patterns[4].rowCount}),
            (Ints{2, 1, 3, 64, 64}));
}

// Samples: header fields, then the first frames of data (16-bit values; 8-bit sources
// scaled by 256, unsigned ones offset); XM instruments: key maps, envelopes, vibrato.
TEST(Loaders, SamplesAndInstruments) {
  struct Case {
    const char* what;
    int file, instrument, sample;
    std::vector<int> fields;  // loop start, loop length, volume, panning, relative note, fine tune
    std::vector<int> frames;
  };
  // clang-format off
  const Case cases[] = {
      {"MOD bass", 0, 1, 0, {100, 100, 64, 0, 0, -128}, {-120 * 256, -119 * 256}},
      {"MOD 7", 0, 2, 0, {200, 40, 64, 0, 0, 112}, {5 * 256, 6 * 256, 7 * 256, 0}},
      {"MOD short loop", 0, 3, 0, {20, 0, 33, 0, 0, 0}, {}},
      {"S3M unsigned 8", 1, 1, 0, {1, 3, 50, 0, 0, 0}, {0, 0x7F00, -0x8000, 0x100, 0x7F00}},
      {"S3M unsigned 16", 1, 2, 0, {3, 0, 64, 0, 12, 0}, {-32768, 0x7FFF, 0x9234 - 0x8000, 0}},
      {"S3M type 2", 1, 3, 0, {0, 0, 0, 0, 0, 0}, {0}}, {"S3M untagged", 1, 4, 0, {0, 0, 0, 0, 0, 0}, {0}},
      // 8000 Hz: 0.77 semitone down, as 1 down and 128 * (1 - 12 * log2(8363 / 8000)) = 29.6 steps up.
      {"S3M 8000 Hz", 1, 5, 0, {4, 0, 64, 0, -1, 29}, {}},
      {"XM 8-bit", 2, 5, 0, {1, 3, 40, 256, -12, -16}, {10 * 256, -5 * 256, 127 * 256, -128 * 256, -5 * 256}},
      {"XM 16-bit", 2, 5, 1, {4, 0, 64, 129, 0, 0}, {1000, -1000, 32767, -32768, 0}},
      {"XM ping-pong", 2, 5, 2, {1, 6, 64, 129, 0, 0}, {256, 512, 768, 1024, 1024, 768, 512, 512}},
      {"XM ping-pong 16", 2, 5, 3, {2, 4, 64, 129, 0, 0}, {100, 200, 300, 400, 400, 300, 300}},
  };
  // clang-format on
  XmSong xm = rich_xm_song();
  Loaded files[3] = {Loaded(rich_mod()), Loaded(rich_s3m()), Loaded(write_xm(xm))};
  for (const Loaded& l : files) ASSERT_TRUE(sound(l, "samples"));
  for (const Case& c : cases) {
    const Instrument& ins = files[c.file].m->instruments[c.instrument];
    ASSERT_EQ(ins.sampleCount, c.file == 2 ? 4 : 1) << c.what;
    const Sample& s = ins.samples[c.sample];
    EXPECT_EQ((Ints{s.loopStart, s.loopLength, s.volume, s.panning, s.relativeNote, s.fineTune}), c.fields)
        << c.what;
    EXPECT_EQ(Ints(s.data, s.data + c.frames.size()), c.frames) << c.what;
  }
  // Names: text up to the field's end, spaces padded; the last MOD frame.
  const Instrument *x = files[2].m->instruments, *i = &x[1];
  EXPECT_EQ(std::string(files[0].m->instruments[1].name, 4) +
                std::string(files[1].m->instruments[1].name, 5) + std::string(x[5].samples[0].name, 5) +
                i->name + std::string(x[3].name, 4),
            "basspianoeightlead" + std::string(18, ' ') + "next");
  EXPECT_EQ(files[0].m->instruments[1].samples[0].data[239], 119 * 256);
  // Samples and key map; the volume envelope (amplitudes within 0..64, marks as ticks); the
  // panning envelope; vibrato and fadeout; sample data.
  const Envelope& e = i->volumeEnvelope;
  // clang-format off
  EXPECT_EQ((Ints{i->sampleCount, i->keyToSample[0], i->keyToSample[1], i->keyToSample[49], i->keyToSample[96],
                  e.pointCount, e.enabled, e.sustain, e.looped, e.pointTicks[1], e.pointAmplitudes[1], e.pointAmplitudes[2],
                  e.sustainTick, e.loopStartTick, e.loopEndTick, i->panningEnvelope.pointCount, i->panningEnvelope.enabled,
                  i->vibratoType, i->vibratoSweep, i->vibratoDepth, i->vibratoRate, i->volumeFadeout,
                  i->samples[0].data[1], i->samples[1].data[0]}),
            (Ints{2, 0, 1, 1, 0, 4, 1, 1, 1, 10, 32, 64, 10, 20, 40, 0, 0, 1, 2, 3, 4, 0x0400, 2 * 256, 3 * 256}));
  // An instrument without samples ends at its short header: the next one follows. Envelope
  // ticks are absolute, unless DigiBooster wrote them: relative to the point before.
  EXPECT_EQ((Ints{x[2].sampleCount, x[2].samples[0].loopStart, x[3].samples[0].data[1], x[4].volumeEnvelope.pointTicks[2]}),
            (Ints{1, 0, 7 * 256, 5}));
  // clang-format on
  xm.tracker = "DigiBooster Pro 2.18";
  Loaded d(write_xm(xm));
  ASSERT_TRUE(sound(d, "DigiBooster"));
  const Envelope& r = d.m->instruments[4].volumeEnvelope;
  EXPECT_EQ((Ints{r.pointTicks[1], r.pointTicks[2], r.pointTicks[3], r.sustainTick}), (Ints{10, 15, 35, 15}));
}

// Counts, pointers and lengths far beyond the file: a sound module within the format
// limits whose samples together hold at most a frame per file byte; missing frames are 0.
TEST(Loaders, HostileCountsPointersAndLengths) {
  File xm = write_xm(XmSong());
  for (size_t at : {64, 70, 72, 341}) store_le16(&xm[at], 0xFFFF);  // orders, patterns, instruments, rows
  File xmSamples = with<XmSong>([](XmSong& s) { s.instruments = {xm_instrument(xm_sample({1, 2, 3}))}; });
  const size_t h = xmSamples.size() - 3 - 40;    // the sample header
  store_le16(&xmSamples[h - 263 + 27], 0xFFFF);  // sample headers run past the end
  store_le32(&xmSamples[h + 4], 0xFFFFFFF0), store_le32(&xmSamples[h + 8], 0x20), xmSamples[h + 14] = 2;
  // Sample lengths far beyond 8 frames; ping-pong and forward loops far beyond; S3M instrument pointers that
  // run into other data; 100 MOD frames of which 40 are present.
  File xmLong =
      with<XmSong>([](XmSong& s) { s.instruments = {xm_instrument(xm_sample(std::vector<int>(8, 9)))}; });
  store_le32(&xmLong[xmLong.size() - 8 - 40], 0x7FFFFFF0);
  S3mSong s3m;
  s3m.sampleFormat = 1, s3m.instruments = {s3m_sample(File(8, 9), 0xFFFFFFFF, 1)};
  s3m.instruments[0].loopStart = 0xFFFFFF00, s3m.instruments[0].loopEnd = 0xFFFFFFFF;
  File s3mLong = write_s3m(s3m);
  store_le16(&s3mLong[34], 0xFFFF);  // the instrument count
  ModSong mod;
  mod.samples[0].lengthWords = 50, mod.samples[0].data.assign(40, 9);
  File modFile = write_mod(mod);
  modFile.resize(modFile.size() - 60);
  // 255 S3M instrument pointers all naming the header of one 4000-frame sample.
  S3mSong shared;
  shared.instruments.assign(255, S3mSample{});
  shared.instruments[0] = s3m_sample(File(4000, 0x89), 4000);  // unsigned: 9 * 256
  File sharedFile = write_s3m(shared);
  for (int i = 1; i < 255; ++i) store_le16(&sharedFile[97 + 2 * i], load_le16(&sharedFile[97]));
  struct Case {
    const File& file;
    Ints kept;    // orders, patterns, instruments, rows, samples of instrument 1, its loop start and length
    int present;  // frames of instrument 1 in the file, each 9 * 256
  };
  // clang-format off
  const Case cases[] = {
      {xm, {65535, 256, 255, 256, 1, 0, 0}, 0}, {xmSamples, {1, 1, 1, 64, 256, 0, 0}, 0},
      {xmLong, {1, 1, 1, 64, 1, 8, 0}, 8}, {s3mLong, {1, 1, 255, 64, 1, 8, 0}, 8},
      {modFile, {1, 1, 31, 64, 1, 100, 0}, 40}, {sharedFile, {1, 1, 255, 64, 1, 4000, 0}, 4000},
  };
  // clang-format on
  for (const Case& c : cases) {
    Loaded l(c.file);
    if (!sound(l, "hostile")) continue;
    const Module& m = *l.m;
    const Sample& s = m.instruments[1].samples[0];
    EXPECT_EQ((Ints{m.orderCount, m.patternCount, m.instrumentCount, m.patterns[0].rowCount,
                    m.instruments[1].sampleCount, s.loopStart, s.loopLength}),
              c.kept)
        << c.present;
    EXPECT_EQ((Ints{c.present ? s.data[c.present - 1] : 9 * 256, s.data[c.present]}), (Ints{9 * 256, 0}));
    int64_t frames = 0;
    for (int i = 1; i <= m.instrumentCount; ++i) frames += m.instruments[i].samples[0].loopStart;
    EXPECT_LE(frames, int64_t(c.file.size())) << c.present;
  }
}

}  // namespace
