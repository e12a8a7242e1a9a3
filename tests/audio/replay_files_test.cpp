// Loader, replay and mixer together on module files written from the file layouts:
// the values are the ones worked out by hand for the engine alone.
#include <gtest/gtest.h>

#include <vector>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "audio/replay.h"
#include "tests/audio/module_checks.h"
#include "tests/audio/module_writers.h"

namespace {

TEST(ReplayFiles, ModArpeggioSpeedAndPcm) {
  ModSong mod;
  mod.samples[0].lengthWords = 32;
  mod.samples[0].loopLengthWords = 32;
  mod.samples[0].data.assign(64, 64);  // 64 * 256 = 16384
  mod.cell(0, 0, 0) = {428, 1, 0x0, 0x47};
  mod.cell(0, 1, 1) = {0, 0, 0xF, 0x03};
  Loaded l(write_mod(mod));
  ASSERT_NE(l.m, nullptr) << l.message;

  Replay* r = replay_create(l.m, 44100, 1);
  ASSERT_NE(r, nullptr);
  std::vector<int32_t> freqs;
  for (int t = 0; t < 4; ++t) {
    if (t > 0) replay_tick(r);
    freqs.push_back(r->channels[0].frequency);
  }
  EXPECT_EQ(freqs, (std::vector<int32_t>{8291, 10447, 12434, 8291}));
  EXPECT_EQ(replay_duration(r), (6 + 63 * 3) * 882);  // F03 from row 1 on
  replay_free(r);

  RenderedSong song;
  ASSERT_TRUE(rendered_song_render(l.m, 44100, &song));
  EXPECT_EQ(song.bytes, (6u + 63 * 3) * 882 * 4);
  EXPECT_EQ(l.m->defaultPanning[0], 67);
  EXPECT_EQ(l.m->defaultPanning[1], 188);
  // Channel 0 at panning 67: gains 188 * 16384 >> 8 = 12032 and 16384 * 67 >> 8 = 4288.
  EXPECT_EQ(song.pcm[200], 16384 * 12032 >> 15);
  EXPECT_EQ(song.pcm[201], 16384 * 4288 >> 15);
  EXPECT_EQ(song.markCount, 6u + 63 * 3);
  EXPECT_EQ(song.marks[6].row, 1);
  EXPECT_EQ(song.marks[6].frame, 6u * 882);
  rendered_song_free(&song);
}

}  // namespace
