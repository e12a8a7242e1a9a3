// Pre-rendering a whole song: PCM length, position marks, stereo narrowing and
// 16-bit saturation.
#include "audio/rendered_song.h"

#include <gtest/gtest.h>

#include "tests/audio/test_song.h"

namespace {

TEST(RenderedSong, OneMarkPerTickAndTheWholeSong) {
  TestSong song(1, 1, 4);
  song.add_instrument(constant_sample(8192));
  song.set(0, 0, 0, 49, 1);
  RenderedSong out;
  ASSERT_TRUE(rendered_song_render(song.build(), 44100, &out));
  EXPECT_EQ(out.sampleRate, 44100u);
  EXPECT_EQ(out.bytes, 24u * 882 * 4);  // 4 rows of 6 ticks
  EXPECT_EQ(out.capacity, out.bytes);
  ASSERT_EQ(out.markCount, 24u);
  EXPECT_EQ(out.markCapacity, 1024u);
  for (uint32_t t = 0; t < 24; ++t) {
    const PositionMark& m = out.marks[t];
    EXPECT_EQ(m.frame, t * 882u);
    EXPECT_EQ(m.orderIndex, 0);
    EXPECT_EQ(m.row, static_cast<int32_t>(t / 6));
    EXPECT_EQ(m.reserved[0], -1);
    EXPECT_EQ(m.reserved[1], -1);
    EXPECT_EQ(m.reserved[2], -1);
  }
  // Centre panning stays 128: 8192 * (127 * 16384 >> 8) >> 15 and 8192 * 8192 >> 15.
  EXPECT_EQ(out.pcm[2 * 100], 2032);
  EXPECT_EQ(out.pcm[2 * 100 + 1], 2048);
  EXPECT_EQ(rendered_song_position(out, 0), 0);
  EXPECT_EQ(rendered_song_position(out, 6 * 882 - 1), 0);
  EXPECT_EQ(rendered_song_position(out, 6 * 882), 1 << 16);
  EXPECT_EQ(rendered_song_position(out, 100000000), 3 << 16);  // past the end: the last tick
  rendered_song_free(&out);
  EXPECT_EQ(rendered_song_position(out, 0), -1);
  EXPECT_EQ(out.pcm, nullptr);
  EXPECT_EQ(out.bytes, 0u);
}

TEST(RenderedSong, PositionCarriesOrderAndRow) {
  TestSong song(1, 2, 2);
  song.module.defaultSpeed = 1;
  song.orders = {0, 1};
  RenderedSong out;
  ASSERT_TRUE(rendered_song_render(song.build(), 44100, &out));
  ASSERT_EQ(out.markCount, 4u);
  EXPECT_EQ(rendered_song_position(out, 882), 1 << 16);
  EXPECT_EQ(rendered_song_position(out, 2 * 882), 1);
  EXPECT_EQ(rendered_song_position(out, 4 * 882 - 1), (1 << 16) + 1);
  rendered_song_free(&out);
}

TEST(RenderedSong, NarrowsTheStereoImage) {
  TestSong song(4, 1, 1);
  song.panning = {51, 204, 0, 255};
  RenderedSong out;
  ASSERT_TRUE(rendered_song_render(song.build(), 44100, &out));
  EXPECT_EQ(song.panning, (std::vector<uint8_t>{67, 188, 26, 229}));
  rendered_song_free(&out);
}

TEST(RenderedSong, SaturatesTo16Bits) {
  for (int16_t value : {int16_t(32767), int16_t(-32768)}) {
    TestSong song(4, 1, 1);
    song.panning.assign(4, 0);  // narrowed to 26
    for (int32_t c = 0; c < 4; ++c) {
      song.add_instrument(constant_sample(value));
      song.set(0, 0, c, 49, static_cast<uint8_t>(c + 1));
    }
    RenderedSong out;
    ASSERT_TRUE(rendered_song_render(song.build(), 44100, &out));
    // Left gain 229 * 16384 >> 8 = 14656: four channels pass 32767; right gain 1664.
    EXPECT_EQ(out.pcm[200], value > 0 ? 32767 : -32768);
    EXPECT_EQ(out.pcm[201], value > 0 ? 4 * (32767 * 1664 >> 15) : 4 * (-32768 * 1664 >> 15));
    rendered_song_free(&out);
  }
}

TEST(RenderedSong, RefusesSongsOverTenMinutes) {
  // 256 rows of 31 ticks of 3445 frames: 27,339,520 frames, above 600 s at 44100 Hz.
  TestSong song(1, 1, 256);
  song.set(0, 0, 0, 0, 0, kFxSpeedTempo, 0x1F);
  song.note(0, 1, 0) = Note{0, 0, 0, kFxSpeedTempo, 0x20};
  song.module.defaultTempo = 32;
  RenderedSong out;
  EXPECT_FALSE(rendered_song_render(song.build(), 44100, &out));
  EXPECT_EQ(out.pcm, nullptr);
  EXPECT_EQ(out.marks, nullptr);
  EXPECT_EQ(out.bytes, 0u);
}

}  // namespace
