// The MOD, S3M and XM loaders on files written from the format layouts: rich files read back field
// by field and walked prefix by prefix; refusals and hostile counts in tables, several rows a line.
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

File mod_tagged(const char* tag, int channels = 4) { return write_mod(ModSong{"test", tag, channels}); }

// True for a sound module; otherwise a failure naming the case.
bool sound(const Loaded& l, const std::string& what) {
  const char* fault = l.m ? module_fault(*l.m) : l.message;
  if (!l.m || *fault) ADD_FAILURE() << what << ": " << fault;
  return l.m && !*fault;
}

// clang-format off
// A MOD of five stored patterns (order entry 100 names pattern 4) and two samples.
File rich_mod() {
  ModSong mod;
  mod.name = "ab\1c d";                    // control characters read as spaces
  mod.orderCount = 0x83, mod.restart = 3;  // the high bit is ignored; restart 3 of 3 becomes 0
  mod.orders[0] = 1, mod.orders[1] = 0x80, mod.orders[2] = 2, mod.orders[100] = 4, mod.patternCount = 5;
  mod.cell(0, 0, 0) = {0, 0, 0x08, 0x80};  // four channels: no panning
  // Fine tune -8 * 16, volume & 0x7F = 64; 200 + 100 > 240: the loop start was given in bytes.
  mod.samples[0] = {"bass", 120, 8, 0xC0, 100, 50, {}};
  for (int i = 0; i < 240; ++i) mod.samples[0].data.push_back(int8_t(i - 120));
  mod.samples[1] = {"", 120, 7, 100, 100, 75, {5, 6, 7}};  // volume at most 64; loop 200..240
  return write_mod(mod);
}

// Rows of S3M cells, the channel they name and its note; the other channels stay empty.
struct S3mRow { std::vector<S3mCell> cells; int channel; Note note; } kS3mRows[] = {
    {{{2, 0x40, 7, 64, 1, 0x05}, {1, 0x50, 1}}, 1, {49, 7, 0x50, kFxS3mSpeed, 0x05}},
    {{{5, 0x4B, 0, 65, 19, 0xB2}}, 2, {60, 0, 0, kFxS3mExtended, 0xB2}},  // volume beyond 64: none
    // Volume bit 7 ignored; effect 0: none.
    {{{0, 254, 0, 0x80 | 10, 0, 0x33}}, 0, {254, 0, 0x1A, 0, 0}},
    {{{2, 255, 0, -1, 64, 1}}, 1, {}},                                     // a letter beyond Z: none
    // A channel named twice in a row keeps the fields its first entry set.
    {{{0, -1, 0, 40, 1, 0x03}, {0, 0x41, 2}}, 0, {50, 2, 0x10 + 40, kFxS3mSpeed, 3}},
    {{{2, 0x41, 2, -1, 4, 0x12}, {2, -1, 0, -1, 0x7F, 0x34}}, 1, {50, 2, 0, 0, 0}},
};

// An S3M of slots 0, 2 and 5 as channels 0..2 (slot 1 disabled, slot 2 right, ignored in mono), the
// rows above twice, orders 1 254 0 then 255 twice, instruments whose pointers follow all of them.
File rich_s3m() {
  S3mSong s;
  s.name = "song name", s.globalVolume = 48, s.speed = 3, s.tempo = 150, s.orders = {1, 254, 0, 255, 255};
  std::fill(s.channelSettings, s.channelSettings + 32, 255);
  s.channelSettings[0] = 0, s.channelSettings[1] = 16, s.channelSettings[2] = 9, s.channelSettings[5] = 3;
  for (size_t r = 0; r < std::size(kS3mRows); ++r) s.patterns[0][r] = kS3mRows[r].cells;
  s.patterns.push_back(s.patterns[0]);
  // Unsigned 8-bit (sample format 2), the loop ending with the sample; not a sample (type 2);
  // unsigned 16-bit one octave up, loop bit clear; a sample whose "SCRS" tag goes below.
  s.instruments = {{1, 50, 1, "piano", 4, 1, 10, 8363, {0x80, 0xFF, 0x00, 0x81}}, {2, 64, 0, "", 4},
                   {1, 64, 4, "", 3, 1, 3, 16726, {0, 0, 0xFF, 0xFF, 0x34, 0x92}}, {1, 64, 0, "", 4}};
  File file = write_s3m(s);
  std::memset(&file[16 * size_t(load_le16(&file[s3m_pointers(s) + 6])) + 76], 0, 4);
  return file;
}

// An XM of two channels; instruments: a lead with envelopes, one without samples (a short
// header), the next one with envelope points out of order, and kinds of samples.
XmSong rich_xm_song() {
  XmSong xm;
  xm.name = "tune", xm.channels = 2, xm.speed = 4, xm.tempo = 140, xm.restart = 2;
  xm.orders = {1, 0, 3, 7, 2};  // 3 and 7 name no pattern: 0
  xm.patterns.resize(3);
  xm.patterns[0].rows = 3, xm.patterns[1].rows = 0;  // 0 rows are stored as 1
  // All five fields (without a flag byte); key off and effect 0x40 (none); a cell after an empty one.
  xm.patterns[0].cells = {{49, 3, 0x30, 0x0F, 0x06}, {kKeyOff, 0, 0, 0x40, 0}, {0, 5, 0, 0, 0x77}, {},
                          {60, 1, 0x10, 0x23, 0x12}};
  XmInstrument lead{"lead", {xm_sample({1, 2}), xm_sample({3})}}, empty{"blank"}, kinds;
  XmInstrument next{"next", {xm_sample({7, 7})}};
  empty.headerSize = 29;
  lead.keyMap[0] = 1, lead.keyMap[48] = 1, lead.keyMap[95] = 2;  // keys 1, 49; 2 is no sample: 0
  lead.volumeEnvelope = {{{0, 64}, {10, 32}, {20, 70}, {40, 0}}, 1, 2, 0x13, 7};  // loop end & 0x0F = 3
  lead.panningEnvelope = {std::vector<std::pair<uint16_t, uint16_t>>(13), 0, 0, 0, 1};  // 13 points: none
  lead.vibratoType = 1, lead.vibratoSweep = 2, lead.vibratoDepth = 3, lead.vibratoRate = 4;
  lead.fadeout = 0x0400;
  next.volumeEnvelope = {{{0, 64}, {10, 32}, {5, 16}, {20, 0}}, 2, 0, 0, 1};
  // A forward loop; a ping-pong loop of frames 1..3 unrolls: 1 2 3 4 | 4 3 2 | copy of frame 1.
  kinds.samples = {xm_sample({10, -5, 127, -128, 0}, 1, 1, 3), xm_sample({1, 2, 3, 4, 5, 6}, 2, 1, 3)};
  XmSample& s8 = kinds.samples[0];
  s8.volume = 40, s8.fineTune = -16, s8.relativeNote = -12, s8.panning = 255, s8.name = "eight";
  xm.instruments = {lead, empty, next, kinds};
  return xm;
}

// Header fields, order lists, panning; refusals with their messages. MOD order entries lose bit 7,
// all 128 count for the patterns; 255 ends an S3M list and trailing entries naming no pattern go;
// an S3M pan table entry counts with bit 0x20 only; XM entries naming no pattern become 0.
TEST(Loaders, HeadersOrdersPanningAndRefusals) {
  // Fields: channels, patterns, instruments, restart, speed, tempo, global volume, C2 rate, gain,
  // linear periods, fast volume slides; none when refused, with the message as the name.
  struct Case { const char* format; File file; const char* name; Ints fields{}, orders{}, panning{}; };
  const Ints kMod = {51, 204, 204, 51};
  const char *kNotMod = "MOD Format not recognised!", *kInvalid = "Invalid module file!";
  File wide = write_xm(XmSong()), xmPacking = wide, silent = wide, unordered = wide;
  File packed = with<S3mSong>([](S3mSong& s) { s.instruments.resize(2); });
  store_le16(&wide[68], 129), silent[68] = 0, unordered[64] = 0, xmPacking[340] = 1;  // pattern 0's packing
  packed[16 * size_t(load_le16(&packed[97 + 2])) + 30] = 1;  // packing of the second sample
  const Case cases[] = {
      {"M.K.", rich_mod(), "ab c d", {4, 5, 31, 0, 6, 125, 64, 8287, 64, 0, 0}, {1, 0, 2}, kMod},
      {"M!K!", with<ModSong>([](ModSong& s) { s.tag = "M!K!", s.orderCount = 2, s.restart = 1; }), "test",
       {4, 1, 31, 1, 6, 125, 64, 8287, 64, 0, 0}, {0, 0}, kMod},
      {"FLT4", mod_tagged("FLT4"), "test", {4, 1, 31, 0, 6, 125, 64, 8287, 64, 0, 0}, {0}, kMod},
      {"6CHN", mod_tagged("6CHN", 6), "test", {6, 1, 31, 0, 6, 125, 64, 8363, 32, 0, 0}, {0},
       {51, 204, 204, 51, 51, 204}},
      {"16CH", mod_tagged("16CH", 16), "test", {16, 1, 31, 0, 6, 125, 64, 8363, 32, 0, 0}, {0}, {}},
      {"S3M", rich_s3m(), "song name", {3, 2, 4, 0, 3, 150, 48, 8363, 0x30, 0, 0}, {1, 254, 0},
       {119, 119, 119}},
      // Global volume at most 64; stereo by bit 7 of the master volume, which the gain leaves.
      {"S3M 0x40", with<S3mSong>([](S3mSong& s) {
         s.flags = 0x40, s.globalVolume = 200, s.masterVolume = 0x80 | 0x30, s.channelSettings[2] = 8;
         s.channelSettings[3] = 15, s.defaultPanFlag = 252, s.panTable[0] = 0x2F, s.panTable[1] = 0x0F;
         s.panTable[3] = 0x20; }),
       "test", {4, 1, 0, 0, 6, 125, 64, 8363, 0x30, 0, 1}, {0}, {255, 51, 204, 0}},
      {"S3M 0x1300", with<S3mSong>([](S3mSong& s) {
         s.trackerVersion = 0x1300, s.patterns.push_back(s.patterns[0]), s.orders = {0, 1, 2, 255, 1}; }),
       "test", {4, 2, 0, 0, 6, 125, 64, 8363, 0x30, 0, 1}, {0, 1}, {119, 119, 119, 119}},
      {"XM", write_xm(rich_xm_song()), "tune", {2, 3, 4, 2, 4, 140, 64, 8363, 64, 1, 0}, {1, 0, 0, 0, 2},
       {128, 128}},
      {"FLT8", mod_tagged("FLT8"), kNotMod}, {"empty", File(), kNotMod},
      {"ZZCH", mod_tagged("ZZCH"), kInvalid},
      {"0CHN", mod_tagged("0CHN"), kInvalid}, {"S3M packed", packed, "Packed samples not supported!"},
      {"XM packing", xmPacking, "Unknown pattern packing type!"}, {"XM silent", silent, kInvalid},
      {"XM 0x0103", with<XmSong>([](XmSong& s) { s.version = 0x0103; }), "XM format version must be 0x0104!"},
      {"XM no orders", unordered, kInvalid}, {"XM wide", wide, kInvalid},
  };
  for (const Case& c : cases) {
    Loaded l(c.file);
    EXPECT_STREQ(l.m ? "loaded" : l.message, c.fields.empty() ? c.name : "loaded") << c.format;
    if (c.fields.empty() || !sound(l, c.format)) continue;
    const Module& m = *l.m;
    EXPECT_EQ(std::string(m.name, std::strlen(c.name) + 1), c.name + std::string(" ")) << c.format;  // padded
    EXPECT_EQ((Ints{m.channelCount, m.patternCount, m.instrumentCount, m.restartPosition, m.defaultSpeed,
                    m.defaultTempo, m.defaultGlobalVolume, m.c2Rate, m.gain, m.linearPeriods,
                    m.fastVolumeSlides}), c.fields) << c.format;
    EXPECT_EQ(Ints(m.orderList, m.orderList + m.orderCount), c.orders) << c.format;
    const Ints panning(m.defaultPanning, m.defaultPanning + m.channelCount);
    EXPECT_EQ(c.panning.empty() ? c.panning : panning, c.panning) << c.format;
  }
  const char* message = nullptr;  // the S3M loader checks the tag too
  EXPECT_EQ(load_s3m(ByteSource{wide.data(), uint32_t(wide.size())}, &message), nullptr);
  EXPECT_STREQ(message, "Not an S3M file!");
}

// The rich files read back: notes as each format stores them (MOD cells on an 8-channel file,
// one after another); sample header fields and the first frames of data (16-bit values; 8-bit
// sources scaled by 256, unsigned ones offset); XM instruments: key maps, envelopes, vibrato.
TEST(Loaders, NotesSamplesAndInstruments) {
  const std::pair<ModCell, Note> modCases[] = {
      {{428, 17, 0x0C, 0x40}, {49, 17, 0, kFxSetVolume, 0x40}},
      {{0, 31, 0x0E, 0x91}, {0, 31, 0, kFxExtended, 0x91}},
      // Without a parameter portamentos and volume slide do nothing, the slide of 5 and 6 goes.
      {{0, 0, 0x01, 0}, {}}, {{0, 0, 0x02, 0}, {}}, {{0, 0, 0x0A, 0}, {}},
      {{0, 0, 0x05, 0}, {0, 0, 0, kFxTonePorta, 0}},
      {{0, 0, 0x06, 0}, {0, 0, 0, kFxVibrato, 0}}, {{0, 0, 0x05, 1}, {0, 0, 0, kFxTonePortaVolSlide, 1}},
      {{0, 0, 0x00, 0x37}, {0, 0, 0, kFxArpeggio, 0x37}},
      // Panning x * 255 >> 7, at most 128.
      {{0, 0, 0x08, 0x80}, {0, 0, 0, kFxSetPanning, 255}},
      {{0, 0, 0x08, 0xA4}, {0, 0, 0, kFxSetPanning, 128}},
      // Period 428 is C-4 (key 49), four times that two octaves down; the nearest key; 28..1712 only.
      {{428}, {49, 0, 0, 0, 0}}, {{404}, {50, 0, 0, 0, 0}}, {{453}, {48, 0, 0, 0, 0}},
      {{420}, {49, 0, 0, 0, 0}}, {{410}, {50, 0, 0, 0, 0}}, {{28}, {96, 0, 0, 0, 0}},
      {{1712}, {25, 0, 0, 0, 0}}, {{27}, {}}, {{1713}, {}},
  };
  const Note xmNotes[5] = {{49, 3, 0x30, kFxSpeedTempo, 0x06}, {kKeyOff, 0, 0, 0, 0}, {0, 5, 0, 0, 0x77}, {},
                           {60, 1, 0x10, 0x23, 0x12}};
  // Fields: loop start, loop length, volume, panning, relative note, fine tune.
  struct Case { const char* what; int file, instrument, sample; Ints fields, frames; };
  const Case cases[] = {
      {"MOD bass", 0, 1, 0, {100, 100, 64, 0, 0, -128}, {-120 * 256, -119 * 256}},
      {"MOD 7", 0, 2, 0, {200, 40, 64, 0, 0, 112}, {5 * 256, 6 * 256, 7 * 256, 0}},
      {"S3M unsigned 8", 1, 1, 0, {1, 3, 50, 0, 0, 0}, {0, 0x7F00, -0x8000, 0x100, 0x7F00}},
      {"S3M unsigned 16", 1, 3, 0, {3, 0, 64, 0, 12, 0}, {-32768, 0x7FFF, 0x9234 - 0x8000, 0}},
      {"S3M type 2", 1, 2, 0, {0, 0, 0, 0, 0, 0}, {0}}, {"S3M untagged", 1, 4, 0, {0, 0, 0, 0, 0, 0}, {0}},
      {"XM 8-bit", 2, 4, 0, {1, 3, 40, 256, -12, -16}, {10 * 256, -5 * 256, 127 * 256, -128 * 256, -5 * 256}},
      {"XM ping-pong", 2, 4, 1, {1, 6, 64, 129, 0, 0}, {256, 512, 768, 1024, 1024, 768, 512, 512}},
  };
  ModSong eight{"test", "8CHN", 8};
  for (size_t i = 0; i < std::size(modCases); ++i) eight.cell(0, int(i / 8), int(i % 8)) = modCases[i].first;
  XmSong xm = rich_xm_song();
  Loaded files[4] = {Loaded(rich_mod()), Loaded(rich_s3m()), Loaded(write_xm(xm)), Loaded(write_mod(eight))};
  for (const Loaded& l : files) ASSERT_TRUE(sound(l, "rich"));
  const Module &mod = *files[0].m, &s3m = *files[1].m, &xmm = *files[2].m;
  for (size_t i = 0; i < std::size(modCases); ++i)
    EXPECT_EQ(note_at(*files[3].m, 0, int(i / 8), int(i % 8)), modCases[i].second) << "MOD case " << i;
  EXPECT_EQ(note_at(mod, 0, 0, 0), Note{});
  for (int r = 0; r < int(std::size(kS3mRows)); ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(note_at(s3m, 0, r, c), c == kS3mRows[r].channel ? kS3mRows[r].note : Note{}) << "S3M " << r;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(note_at(xmm, 0, i / 2, i % 2), xmNotes[i]) << "XM " << i;
  EXPECT_EQ((Ints{xmm.patterns[1].rowCount, s3m.patterns[0].rowCount}), (Ints{1, 64}));  // 0 rows stored: 1
  for (const Case& c : cases) {
    const Instrument& ins = files[c.file].m->instruments[c.instrument];
    ASSERT_EQ(ins.sampleCount, c.file == 2 ? 2 : 1) << c.what;
    const Sample& s = ins.samples[c.sample];
    EXPECT_EQ((Ints{s.loopStart, s.loopLength, s.volume, s.panning, s.relativeNote, s.fineTune}), c.fields)
        << c.what;
    EXPECT_EQ(Ints(s.data, s.data + c.frames.size()), c.frames) << c.what;
  }
  // Names: text up to the field's end, spaces padded.
  const Instrument *x = xmm.instruments, *i = &x[1];
  EXPECT_EQ(std::string(mod.instruments[1].name, 4) + std::string(s3m.instruments[1].name, 5) +
                std::string(x[4].samples[0].name, 5) + i->name + std::string(x[3].name, 4),
            "basspianoeightlead" + std::string(18, ' ') + "next");
  // Key map; volume envelope (amplitudes within 0..64, marks as ticks); panning envelope; vibrato.
  const Envelope& e = i->volumeEnvelope;
  EXPECT_EQ((Ints{i->sampleCount, i->keyToSample[0], i->keyToSample[1], i->keyToSample[49],
                  i->keyToSample[96], e.pointCount, e.enabled, e.sustain, e.looped, e.pointTicks[1],
                  e.pointAmplitudes[1], e.pointAmplitudes[2], e.sustainTick, e.loopStartTick, e.loopEndTick,
                  i->panningEnvelope.pointCount, i->panningEnvelope.enabled, i->vibratoType, i->vibratoSweep,
                  i->vibratoDepth, i->vibratoRate, i->volumeFadeout, i->samples[0].data[1],
                  i->samples[1].data[0]}),
            (Ints{2, 0, 1, 1, 0, 4, 1, 1, 1, 10, 32, 64, 10, 20, 40, 0, 0, 1, 2, 3, 4, 0x0400, 512, 768}));
  // An instrument without samples ends at its short header: the next one follows. Envelope
  // ticks are absolute, unless DigiBooster wrote them: relative to the point before.
  EXPECT_EQ((Ints{x[2].sampleCount, x[2].samples[0].loopStart, x[3].samples[0].data[1],
                  x[3].volumeEnvelope.pointTicks[2]}), (Ints{1, 0, 7 * 256, 5}));
  xm.tracker = "DigiBooster Pro 2.18";
  Loaded d(write_xm(xm));
  ASSERT_TRUE(sound(d, "DigiBooster"));
  const Envelope& r = d.m->instruments[3].volumeEnvelope;
  EXPECT_EQ((Ints{r.pointTicks[1], r.pointTicks[2], r.pointTicks[3], r.sustainTick}), (Ints{10, 15, 35, 15}));
}

// Every prefix of a rich file loads as a sound module or fails with a message. Counts, pointers
// and lengths far beyond the file: a sound module within the format limits whose samples
// together hold at most a frame per file byte; missing frames are 0.
TEST(Loaders, PrefixesAndHostileCounts) {
  for (const File& file : {rich_mod(), rich_s3m(), write_xm(rich_xm_song())}) {
    for (size_t n = 0; n <= file.size(); ++n) {
      Loaded l(File(file.begin(), file.begin() + long(n)));
      ASSERT_TRUE(l.m ? sound(l, std::to_string(n)) : std::strlen(l.message) > 0) << n;
    }
  }
  File xm = write_xm(XmSong());
  for (size_t at : {64, 70, 72, 341}) store_le16(&xm[at], 0xFFFF);  // orders, patterns, instruments, rows
  File xmSamples = with<XmSong>([](XmSong& s) { s.instruments = {xm_instrument(xm_sample({1, 2, 3}))}; });
  store_le16(&xmSamples[xmSamples.size() - 3 - 40 - 263 + 27], 0xFFFF);  // sample headers run past the end
  // Lengths far beyond 8 frames, loops beyond them, instrument pointers into other data; 40 of 100 frames.
  File xmLong =
      with<XmSong>([](XmSong& s) { s.instruments = {xm_instrument(xm_sample(Ints(8, 9), 1, 1, 8))}; });
  store_le32(&xmLong[xmLong.size() - 8 - 40], 0x7FFFFFF0);
  File s3mLong = with<S3mSong>([](S3mSong& s) {
    s.sampleFormat = 1, s.instruments = {{1, 64, 1, "", ~0u, ~0u << 8, ~0u, 8363, File(8, 9)}};
  });
  store_le16(&s3mLong[34], 0xFFFF);  // the instrument count
  File modFile =
      with<ModSong>([](ModSong& s) { s.samples[0].lengthWords = 50, s.samples[0].data.assign(40, 9); });
  modFile.resize(modFile.size() - 60);
  // 255 S3M instrument pointers all naming the header of one 4000-frame sample (9 * 256 unsigned).
  File sharedFile = with<S3mSong>([](S3mSong& s) {
    s.instruments.assign(255, {}), s.instruments[0] = {1, 64, 0, "", 4000, 0, 0, 8363, File(4000, 0x89)};
  });
  for (int i = 1; i < 255; ++i) store_le16(&sharedFile[97 + 2 * i], load_le16(&sharedFile[97]));
  // Kept: orders, patterns, instruments, rows, samples of instrument 1, its loop start and
  // length; then the frames of instrument 1 present in the file, each 9 * 256.
  struct Case { const File& file; Ints kept; int present; };
  const Case cases[] = {
      {xm, {65535, 256, 255, 256, 1, 0, 0}, 0}, {xmSamples, {1, 1, 1, 64, 256, 0, 0}, 0},
      {xmLong, {1, 1, 1, 64, 1, 8, 0}, 8}, {s3mLong, {1, 1, 255, 64, 1, 8, 0}, 8},
      {modFile, {1, 1, 31, 64, 1, 100, 0}, 40}, {sharedFile, {1, 1, 255, 64, 1, 4000, 0}, 4000},
  };
  for (const Case& c : cases) {
    Loaded l(c.file);
    if (!sound(l, "hostile")) continue;
    const Module& m = *l.m;
    const Sample& s = m.instruments[1].samples[0];
    EXPECT_EQ((Ints{m.orderCount, m.patternCount, m.instrumentCount, m.patterns[0].rowCount,
                    m.instruments[1].sampleCount, s.loopStart, s.loopLength}), c.kept) << c.present;
    EXPECT_EQ((Ints{c.present ? s.data[c.present - 1] : 9 * 256, s.data[c.present]}), (Ints{9 * 256, 0}));
    int64_t frames = 0;
    for (int i = 1; i <= m.instrumentCount; ++i) frames += m.instruments[i].samples[0].loopStart;
    EXPECT_LE(frames, int64_t(c.file.size())) << c.present;
  }
}
// clang-format on

}  // namespace
