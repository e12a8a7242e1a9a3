#pragma once
// Bounded reads from a module file image. Every read that reaches at or beyond the
// end of the image yields 0, so a truncated file loads as silence and empty notes.
#include <cstdint>

struct ByteSource {
  const uint8_t* data;
  uint32_t length;
};

// Offsets are 64-bit so that sums of 32-bit file fields cannot wrap around.
uint32_t bs_u8(const ByteSource& src, uint64_t offset);
int32_t bs_s8(const ByteSource& src, uint64_t offset);
uint32_t bs_u16le(const ByteSource& src, uint64_t offset);  // 0 unless both bytes are inside
uint32_t bs_u16be(const ByteSource& src, uint64_t offset);  // 0 unless both bytes are inside
uint32_t bs_u32le(const ByteSource& src, uint64_t offset);  // 0 unless all four bytes are inside

// Fills dst[0..count) with spaces, then copies every source byte above 32 over it.
void bs_text(const ByteSource& src, uint64_t offset, char* dst, uint32_t count);

// Bytes left in the image from offset on (0 when offset is at or past the end).
uint32_t bs_remaining(const ByteSource& src, uint64_t offset);
