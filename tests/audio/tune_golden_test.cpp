// The full pre-render of the embedded tune against a recorded hash of its PCM and
// position marks. Any change to the loaders, the replay or the mixer that alters a
// single sample shows here. After an intended change, run
//   test_audio_replay --gtest_filter=TuneGolden.*
// and copy the printed hash into kTuneHash.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "tests/test_files.h"

namespace {

constexpr uint64_t kTuneHash = 0x4DB34D71D18E1739;

uint64_t fnv1a(uint64_t h, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

TEST(TuneGolden, FullPreRenderMatchesTheRecordedHash) {
  const Bytes bytes = test_read_file(VRINX_TUNE_PATH);
  ASSERT_FALSE(bytes.empty()) << VRINX_TUNE_PATH;
  char message[kModuleMessageSize];
  Module* m = module_load(ByteSource{bytes.data(), static_cast<uint32_t>(bytes.size())}, message);
  ASSERT_NE(m, nullptr) << message;
  RenderedSong song;
  ASSERT_TRUE(rendered_song_render(m, 44100, &song));
  module_free(m);
  uint64_t h = fnv1a(0xCBF29CE484222325ull, song.pcm, song.bytes);
  for (uint32_t i = 0; i < song.markCount; ++i) {
    const PositionMark& mark = song.marks[i];
    h = fnv1a(h, &mark.frame, sizeof mark.frame);
    h = fnv1a(h, &mark.orderIndex, sizeof mark.orderIndex);
    h = fnv1a(h, &mark.row, sizeof mark.row);
  }
  std::printf("tune: %u frames, %u marks, hash 0x%016" PRIX64 "\n", song.bytes / 4, song.markCount, h);
  EXPECT_EQ(h, kTuneHash) << "if the tune or the player changed on purpose, record the printed hash";
  rendered_song_free(&song);
}

}  // namespace
