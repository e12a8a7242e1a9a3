// Corrupt headers: huge counts, pointers and lengths beyond the file. Each must give a
// clear refusal or a sound module, with allocations bounded by the format limits.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "audio/replay.h"
#include "tests/audio/module_checks.h"
#include "tests/audio/module_writers.h"

namespace {

void put16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  f[at] = static_cast<uint8_t>(v);
  f[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  put16(f, at, v & 0xFFFF);
  put16(f, at + 2, v >> 16);
}

TEST(HostileModule, XmCountsBeyondTheFile) {
  XmSong song;
  std::vector<uint8_t> file = write_xm(song);
  put16(file, 70, 0xFFFF);   // patterns
  put16(file, 72, 0xFFFF);   // instruments
  put16(file, 64, 0xFFFF);   // orders
  put16(file, 341, 0xFFFF);  // rows of the first pattern
  Loaded l(file);
  ASSERT_NE(l.m, nullptr) << l.message;
  EXPECT_EQ(module_fault(*l.m), std::string());
  EXPECT_EQ(l.m->patternCount, 256);  // order entries are bytes: no more can be reached
  EXPECT_EQ(l.m->instrumentCount, 255);
  EXPECT_EQ(l.m->orderCount, 0xFFFF);
  EXPECT_EQ(l.m->patterns[0].rowCount, 256);

  std::vector<uint8_t> wide = write_xm(song);
  put16(wide, 68, 129);
  Loaded w(wide);
  EXPECT_EQ(w.m, nullptr);
  EXPECT_STREQ(w.message, "Invalid module file!");
}

TEST(HostileModule, XmSampleCountsAndLengths) {
  XmSong song;
  XmInstrument ins;
  XmSample s;
  s.values = {1, 2, 3};
  ins.samples = {s};
  song.instruments = {ins};
  std::vector<uint8_t> file = write_xm(song);
  size_t instrument = file.size() - 3 - 40 - 263;
  put16(file, instrument + 27, 0xFFFF);           // sample headers run past the end of the file
  put32(file, instrument + 263 + 4, 0xFFFFFFF0);  // loop start far beyond the length
  put32(file, instrument + 263 + 8, 0x20);
  file[instrument + 263 + 14] = 2;  // ping-pong
  Loaded l(file);
  ASSERT_NE(l.m, nullptr) << l.message;
  EXPECT_EQ(module_fault(*l.m), std::string());
  EXPECT_EQ(l.m->instruments[1].sampleCount, 256);
  EXPECT_EQ(l.m->instruments[1].samples[0].loopLength, 0);
}

TEST(HostileModule, S3mPointersBeyondTheFile) {
  S3mSong song;
  S3mSample s;
  s.length = 0xFFFFFFFF;  // far more than the file holds
  s.flags = 1;
  s.loopStart = 0xFFFFFF00;
  s.loopEnd = 0xFFFFFFFF;
  song.instruments = {s, s};
  std::vector<uint8_t> file = write_s3m(song);
  size_t pointers = 96 + song.orders.size();
  put16(file, pointers + 2, 0xFFFF);  // second instrument header beyond the file
  put16(file, pointers + 4, 0xFFFF);  // pattern beyond the file
  put16(file, 34, 0xFFFF);            // instrument count: pointers run into other data
  Loaded l(file);
  ASSERT_NE(l.m, nullptr) << l.message;
  EXPECT_EQ(module_fault(*l.m), std::string());
  EXPECT_EQ(l.m->instrumentCount, 255);
  EXPECT_EQ(l.m->instruments[1].samples[0].loopLength, 0);
  EXPECT_EQ(l.m->instruments[2].samples[0].loopStart, 0);
}

// Header speed and tempo 65535 on a 256-row pattern: 16.8 M ticks of one frame each
// if the header tempo were taken as it is.
std::vector<uint8_t> xm_of_endless_ticks(uint16_t speed) {
  XmSong song;
  song.channels = 1;
  song.speed = speed;
  song.tempo = 0xFFFF;
  song.patterns[0].rows = 256;
  song.patterns[0].cells.assign(256, XmCell{});
  return write_xm(song);
}

TEST(HostileModule, LongSongsCostWhatTheLongestAcceptedSongCosts) {
  constexpr int32_t kLimit = 44100 * 600;
  Loaded slow(xm_of_endless_ticks(0xFFFF));
  ASSERT_NE(slow.m, nullptr) << slow.message;
  Replay* r = replay_create(slow.m, 44100, 1);
  ASSERT_NE(r, nullptr);
  // The header tempo is held at 255, what Fxx can reach: 220500 / 510 frames a tick.
  EXPECT_EQ(replay_tick_length(r), 432);
  // The walk ends with the first tick past the limit, not at the song's end.
  int32_t walked = replay_duration(r, kLimit);
  EXPECT_GT(walked, kLimit);
  EXPECT_LE(walked, kLimit + 432);
  replay_free(r);
  RenderedSong out;
  EXPECT_FALSE(rendered_song_render(slow.m, 44100, &out));
  EXPECT_EQ(out.marks, nullptr);

  // Speed 1: 256 rows of one 432-frame tick, one mark each.
  Loaded fast(xm_of_endless_ticks(1));
  ASSERT_NE(fast.m, nullptr) << fast.message;
  ASSERT_TRUE(rendered_song_render(fast.m, 44100, &out));
  EXPECT_EQ(out.markCount, 256u);
  EXPECT_EQ(out.bytes, 256u * 432 * 4);
  rendered_song_free(&out);
}

TEST(HostileModule, S3mSamplesTogetherHoldAtMostTheFile) {
  // 255 instrument pointers all naming the header of one 4000-frame sample.
  S3mSong song;
  S3mSample s;
  s.length = 4000;
  s.bytes.assign(4000, 0x40);
  song.instruments.assign(255, S3mSample{});
  song.instruments[0] = s;
  std::vector<uint8_t> file = write_s3m(song);
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

TEST(HostileModule, ModTagsWithoutDigits) {
  for (const char* tag : {"ZZCH", "!!CH", "0CHN", "/CHN"}) {
    ModSong song;
    song.tag = tag;
    Loaded l(write_mod(song));
    EXPECT_EQ(l.m, nullptr) << tag;
    EXPECT_STREQ(l.message, "Invalid module file!") << tag;
  }
}

TEST(HostileModule, TinyAndEmptyImages) {
  const uint8_t bytes[4] = {'E', 'x', 't', 'e'};
  for (uint32_t n = 0; n <= 4; ++n) {
    char message[MODULE_MESSAGE_SIZE];
    Module* m = module_load(ByteSource{n ? bytes : nullptr, n}, message);
    EXPECT_EQ(m, nullptr);
    EXPECT_STREQ(message, "MOD Format not recognised!");
  }
}

}  // namespace
