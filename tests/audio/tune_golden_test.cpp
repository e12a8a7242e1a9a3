// The embedded tune's whole pre-render (PCM and position marks) against a recorded
// hash: a change of a single sample anywhere in the player shows here. After an
// intended change, copy the printed hash into kTuneHash.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "audio/rendered_song.h"
#include "tests/audio/module_checks.h"
#include "tests/test_files.h"

namespace {

constexpr uint64_t kTuneHash = 0x4DB34D71D18E1739;

TEST(TuneGolden, FullPreRenderMatchesTheRecordedHash) {
  Loaded tune(test_read_file(VRINX_TUNE_PATH));
  ASSERT_NE(tune.m, nullptr) << VRINX_TUNE_PATH << ": " << tune.message;
  RenderedSong song;
  ASSERT_TRUE(rendered_song_render(tune.m, 44100, &song));
  uint64_t h = test_fnv1a(kFnvBasis, song.pcm, song.bytes);
  for (const PositionMark* k = song.marks; k != song.marks + song.markCount; ++k) {
    h = test_fnv1a(h, &k->frame, sizeof k->frame);
    h = test_fnv1a(test_fnv1a(h, &k->orderIndex, sizeof k->orderIndex), &k->row, sizeof k->row);
  }
  std::printf("tune: %u frames, %u marks, hash 0x%016" PRIX64 "\n", song.bytes / 4, song.markCount, h);
  EXPECT_EQ(h, kTuneHash) << "if the tune or the player changed on purpose, record the printed hash";
  rendered_song_free(&song);
}

}  // namespace
