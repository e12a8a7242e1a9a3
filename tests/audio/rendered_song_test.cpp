// Pre-rendering a whole song: PCM length, position marks, stereo narrowing and 16-bit
// saturation (the ten-minute limit is with the loader's long-song test).
#include "audio/rendered_song.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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
