#pragma once
// Renders the replay's channel state, one tick at a time, into 32-bit stereo at the
// output rate: channels are resampled at twice the rate, filtered down by two, and
// each tick's start is cross-faded with the audio rendered past the previous tick.
#include <cstdint>

#include "audio/replay.h"

// Length in int32 values of the caller's mixing buffer: the longest tick (tempo 32)
// at twice the rate plus 130 frames, interleaved left and right.
int32_t mix_buffer_length(int32_t sampleRate);

// Renders one tick into buffer (mix_buffer_length values), then advances the replay
// by one tick. Returns the tick length n; the first n stereo frames are the output.
// Bit i of muteMask leaves channel i out of the mix while its position still moves.
int32_t mix_tick(Replay* replay, int32_t* buffer, uint32_t muteMask);
