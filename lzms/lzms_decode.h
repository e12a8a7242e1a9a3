// LZMS decoder for one block whose decompressed size is known in advance.
#pragma once
#include <cstddef>
#include <cstdint>

// Decodes `in` into exactly `outSize` bytes at `out`. Returns 1 on success and 0
// when the data is malformed or does not fill the output exactly; never reads
// or writes outside the two buffers.
int lzms_decode(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);
