// LZMS compressor (build time): one block, decodable by lzms_decode.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Returns the LZMS block for `in` (empty for empty input).
std::vector<uint8_t> lzms_encode(const uint8_t* in, size_t size);

// The block wrapped in the Compression API's buffer format.
std::vector<uint8_t> compress_encode_buffer(const uint8_t* in, size_t size);
