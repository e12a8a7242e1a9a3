// The Compression API's buffer format around one LZMS block:
//    0  4  signature 0A 51 E5 C0
//    4  1  header size (24)
//    5  1  algorithm (5 = LZMS)
//    6  2  zero
//    8  8  uncompressed size, little-endian
//   16  8  size of the compressed data that follows, little-endian
//   24     the LZMS block
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kCompressHeaderSize = 24;
constexpr uint8_t kCompressAlgorithmLzms = 5;

struct CompressedBuffer {
  uint64_t uncompressedSize;
  const uint8_t* data;
  size_t dataSize;
};

// Checks the header against the buffer's size; 1 when it is a well-formed
// LZMS buffer, 0 otherwise.
int ParseCompressedBuffer(const uint8_t* buf, size_t size, CompressedBuffer* out);
void WriteCompressHeader(uint8_t* header, uint64_t uncompressedSize, uint64_t dataSize);
// Parses and decodes; 1 only when the buffer holds exactly outSize bytes.
int DecompressBuffer(const uint8_t* buf, size_t size, uint8_t* out, size_t outSize);
