#pragma once
// The whole song rendered once to 16-bit stereo PCM, with the song position of every
// tick's first frame, so that playback is one device write and the position a lookup.
#include <cstdint>

#include "audio/module.h"

struct PositionMark {
  uint64_t frame;  // first frame of the tick, from the start of the song
  int32_t orderIndex;
  int32_t row;
  int32_t reserved[4];  // the first three are written as -1
};
static_assert(sizeof(PositionMark) == 32, "a position mark is 32 bytes");

struct RenderedSong {
  int16_t* pcm;  // interleaved left, right; one frame = 4 bytes
  uint32_t bytes;
  uint32_t capacity;  // bytes allocated: song duration in frames * 4
  PositionMark* marks;
  uint32_t markCount;
  uint32_t markCapacity;
  uint32_t sampleRate;
};

// Narrows the module's default panning to the program's stereo image, then renders
// the song from order 0 up to the first repeated row. Songs longer than ten minutes
// are refused. On failure song is left empty; module stays the caller's.
bool rendered_song_render(Module* module, uint32_t sampleRate, RenderedSong* song);

// The song position playing at frame: (row << 16) + order index of the last mark not
// after it; -1 without marks.
int32_t rendered_song_position(const RenderedSong& song, uint64_t frame);

// Frees the PCM and the marks and zeroes the record.
void rendered_song_free(RenderedSong* song);
