#pragma once
// Building blocks shared by the MOD, S3M and XM loaders. Records come from calloc, so
// a half-built module holds only nulls and zeros beyond what was filled in, and
// module_free can release it at any point.
#include <cstdint>

#include "audio/module.h"

// Limits that bound what a hostile file can make the loaders allocate. Notes name
// instruments with one byte and order lists hold byte entries, so instruments beyond
// 255 and patterns beyond 256 can never be reached and are not kept.
constexpr int32_t kModuleMaxChannels = 128;
constexpr int32_t kModuleMaxPatterns = 256;
constexpr int32_t kModuleMaxInstruments = 255;
constexpr int32_t kModuleMaxRows = 256;
constexpr int64_t kModuleMaxSampleFrames = 0x3FFFFFFF;  // ping-pong doubling stays in int32

extern const char* const kMsgOutOfMemory;
extern const char* const kMsgInvalidModule;

// Each loader returns the module (still to be validated) or null with *message set.
Module* load_mod(const ByteSource& src, const char** message);
Module* load_s3m(const ByteSource& src, const char** message);
Module* load_xm(const ByteSource& src, const char** message);

// Allocates the panning, order, pattern and instrument lists for the counts already
// set in the module (instrumentCount + 1 instruments). Nothing else is allocated.
bool module_alloc_lists(Module* m);

// Zeroed notes for rows x channels.
bool pattern_alloc(Pattern* p, int32_t channels, int32_t rows);

// count zeroed samples, each given a one-frame silent buffer (an empty sample).
bool instrument_alloc_samples(Instrument* ins, int32_t count);

// Replaces the sample's buffer by frames + 1 zeroed frames.
bool sample_alloc(Sample* s, int32_t frames);

// Reads frames of PCM from offset into s->data: signed 8-bit scaled by 256, or 16-bit
// little-endian words. Bytes beyond the image read as 0.
void sample_read_pcm(const ByteSource& src, uint64_t offset, int32_t frames, bool sixteenBit, Sample* s);

// Settles the loop of a sample holding length frames: a loop length of 0 or less
// means no loop (loop start = length, length 0); then the frame after the loop end
// becomes a copy of the loop start frame (0 without a loop).
void sample_close_loop(Sample* s, int32_t length);
