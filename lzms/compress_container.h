// The Windows Compression API's buffer format (what cabinet.dll's Compress writes
// and Decompress reads), here always around LZMS blocks:
//    0  4  signature 0A 51 E5 C0
//    4  2  header size (24), little-endian
//    6  1  check byte: the low byte of the CRC-32 of header bytes 0-5 and 7-23
//    7  1  algorithm (5 = LZMS)
//    8  8  uncompressed size, little-endian
//   16  8  uncompressed block size, 1 to 0x4000000: every block but the last
//          unpacks to exactly this many bytes
//   24     per block: its compressed size (32-bit little-endian), then that many
//          bytes; a block whose compressed size equals its uncompressed size is
//          stored verbatim
// The blocks must account for the uncompressed size exactly and end the buffer.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kCompressHeaderSize = 24;
constexpr uint8_t kCompressAlgorithmLzms = 5;
constexpr uint64_t kCompressMaxBlockSize = 0x4000000;

struct CompressedBuffer {
  uint64_t uncompressedSize;
  uint64_t blockSize;
  const uint8_t* blocks;  // the first block's size field
  size_t blocksSize;      // up to the end of the buffer
};

// Checks the header and walks the block sizes; 1 when every block lies inside the
// buffer, their unpacked sizes add up to the header's and nothing follows them.
int compress_parse_buffer(const uint8_t* buf, size_t size, CompressedBuffer* out);
// The 24 header bytes, check byte included.
void compress_write_header(uint8_t* header, uint64_t uncompressedSize, uint64_t blockSize);
// Parses and decodes; 1 only when the buffer holds exactly outSize bytes.
int compress_decode_buffer(const uint8_t* buf, size_t size, uint8_t* out, size_t outSize);
