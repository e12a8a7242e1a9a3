// Corrupt headers: huge counts, pointers and lengths beyond the file. Each must give a
// clear refusal or a sound module, with allocations bounded by the format limits.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/module.h"
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
