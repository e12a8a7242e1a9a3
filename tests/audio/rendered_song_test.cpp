// Pre-rendering a whole song: PCM length, position marks, the ten-minute limit, stereo
// narrowing and 16-bit saturation.
#include "audio/rendered_song.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/replay.h"
#include "tests/audio/module_checks.h"

namespace {

TEST(RenderedSong, OneMarkPerTickAndTheWholeSong) {
  Song song(1, 1, 4, {xm_instrument(xm_constant(8192))});
  song.note(0, 0, 0) = Note{49, 1, 0, 0, 0};
  RenderedSong out;
  ASSERT_TRUE(rendered_song_render(song.m, 44100, &out));
  // 4 rows of 6 ticks.
  EXPECT_EQ((Ints{int(out.sampleRate), int(out.bytes), int(out.capacity)}),
            (Ints{44100, 24 * 882 * 4, 24 * 882 * 4}));
  ASSERT_EQ(out.markCount, 24u);
  for (uint32_t t = 0; t < 24; ++t) {
    const PositionMark& m = out.marks[t];
    EXPECT_EQ((std::vector<int64_t>{int64_t(m.frame), m.orderIndex, m.row, m.reserved[0], m.reserved[1],
                                    m.reserved[2]}),
              (std::vector<int64_t>{t * 882, 0, t / 6, -1, -1, -1}));
  }
  // Centre panning stays 128: 8192 * (127 * 16384 >> 8) >> 15 and 8192 * 8192 >> 15.
  EXPECT_EQ((Ints{out.pcm[2 * 100], out.pcm[2 * 100 + 1]}), (Ints{2032, 2048}));
  // Positions: row << 16 | order; past the end, the last tick's.
  const int32_t positions[4][2] = {{0, 0}, {6 * 882 - 1, 0}, {6 * 882, 1 << 16}, {100000000, 3 << 16}};
  for (const auto& p : positions) EXPECT_EQ(rendered_song_position(out, p[0]), p[1]) << p[0];
  rendered_song_free(&out);
  EXPECT_EQ(rendered_song_position(out, 0), -1);
  EXPECT_TRUE(out.pcm == nullptr && out.bytes == 0);

  Song two(1, 2, 2);
  two.m->defaultSpeed = 1;
  ASSERT_TRUE(rendered_song_render(two.m, 44100, &out));
  ASSERT_EQ(out.markCount, 4u);
  const int32_t orders[3][2] = {{882, 1 << 16}, {2 * 882, 1}, {4 * 882 - 1, (1 << 16) + 1}};
  for (const auto& p : orders) EXPECT_EQ(rendered_song_position(out, p[0]), p[1]) << p[0];
  rendered_song_free(&out);
}

// Header speed and tempo 65535 on a 256-row pattern: 16.8 M ticks of one frame each if the
// header tempo were taken as it is. Held to 255 (432-frame ticks), the walk stops with the
// first tick past ten minutes and the song is refused; at speed 1 it is 256 ticks long.
TEST(RenderedSong, LongSongsAreRefusedWithinTheLimit) {
  XmSong xm;
  xm.channels = 1, xm.speed = xm.tempo = 0xFFFF, xm.patterns[0].rows = 256;
  Loaded slow(write_xm(xm));
  xm.speed = 1;
  Loaded fast(write_xm(xm));
  ASSERT_TRUE(slow.m && fast.m);
  Replay* r = replay_create(slow.m, 44100, 1);
  const int32_t walked = replay_duration(r, 44100 * 600);
  EXPECT_TRUE(walked > 44100 * 600 && walked <= 44100 * 600 + 432) << walked;
  replay_free(r);
  RenderedSong out;
  EXPECT_FALSE(rendered_song_render(slow.m, 44100, &out));
  EXPECT_TRUE(out.pcm == nullptr && out.marks == nullptr && out.bytes == 0);  // nothing kept
  ASSERT_TRUE(rendered_song_render(fast.m, 44100, &out));
  EXPECT_EQ((Ints{int(out.markCount), int(out.bytes)}), (Ints{256, 256 * 432 * 4}));
  rendered_song_free(&out);
}

TEST(RenderedSong, NarrowsTheStereoImageAndSaturates) {
  Song song(4, 1, 1);
  const uint8_t pans[4] = {51, 204, 0, 255}, narrowed[4] = {67, 188, 26, 229};
  std::memcpy(song.m->defaultPanning, pans, 4);
  RenderedSong out;
  ASSERT_TRUE(rendered_song_render(song.m, 44100, &out));
  for (int c = 0; c < 4; ++c) EXPECT_EQ(song.m->defaultPanning[c], narrowed[c]) << c;
  rendered_song_free(&out);

  for (int value : {32767, -32768}) {
    std::vector<XmInstrument> instruments(4, xm_instrument(xm_constant(value)));
    for (XmInstrument& i : instruments) i.samples[0].panning = 26;  // the narrowed 0
    Song loud(4, 1, 1, instruments);
    for (int c = 0; c < 4; ++c) loud.note(0, 0, c) = Note{49, uint8_t(c + 1), 0, 0, 0};
    ASSERT_TRUE(rendered_song_render(loud.m, 44100, &out));
    // Left gain 229 * 16384 >> 8 = 14656: four channels pass 32767; right gain 1664.
    EXPECT_EQ(out.pcm[200], value > 0 ? 32767 : -32768);
    EXPECT_EQ(out.pcm[201], 4 * (value * 1664 >> 15));
    rendered_song_free(&out);
  }
}

}  // namespace
