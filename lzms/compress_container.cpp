#include "lzms/compress_container.h"

#include <cstring>

#include "base/byte_order.h"
#include "lzms/lzms_decode.h"

namespace {

constexpr uint8_t kSignature[4] = {0x0A, 0x51, 0xE5, 0xC0};
constexpr size_t kCheckByte = 6;

// The standard (zlib) CRC-32, bit by bit: it only ever covers 23 header bytes.
uint32_t crc32_update(uint32_t crc, const uint8_t* p, size_t n) {
  crc = ~crc;
  while (n--) {
    crc ^= *p++;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

uint8_t header_check_byte(const uint8_t* header) {
  uint32_t crc = crc32_update(0, header, kCheckByte);
  crc = crc32_update(crc, header + kCheckByte + 1, kCompressHeaderSize - kCheckByte - 1);
  return uint8_t(crc);
}

// Calls visit(data, compressedSize, unpackedSize) for each block in order; 0 as
// soon as a block runs past the buffer, claims more than its unpacked size or
// visit fails, and unless the blocks end the buffer exactly.
template <typename Visit>
int walk_blocks(const CompressedBuffer& cb, Visit visit) {
  const uint8_t* p = cb.blocks;
  size_t left = cb.blocksSize;
  uint64_t remaining = cb.uncompressedSize;
  while (remaining) {
    if (left < 4) return 0;
    uint32_t packed = load_le32(p);
    p += 4, left -= 4;
    uint64_t unpacked = remaining < cb.blockSize ? remaining : cb.blockSize;
    if (packed > left || packed > unpacked || !visit(p, size_t(packed), size_t(unpacked))) return 0;
    p += packed, left -= packed;
    remaining -= unpacked;
  }
  return left == 0;
}

}  // namespace

int compress_parse_buffer(const uint8_t* buf, size_t size, CompressedBuffer* out) {
  if (size < kCompressHeaderSize || std::memcmp(buf, kSignature, 4) != 0) return 0;
  if (load_le16(buf + 4) != kCompressHeaderSize || buf[kCheckByte] != header_check_byte(buf) ||
      buf[7] != kCompressAlgorithmLzms)
    return 0;
  CompressedBuffer cb;
  cb.uncompressedSize = load_le64(buf + 8);
  cb.blockSize = load_le64(buf + 16);
  cb.blocks = buf + kCompressHeaderSize;
  cb.blocksSize = size - kCompressHeaderSize;
  if (cb.blockSize == 0 || cb.blockSize > kCompressMaxBlockSize) return 0;
  if (!walk_blocks(cb, [](const uint8_t*, size_t, size_t) { return 1; })) return 0;
  *out = cb;
  return 1;
}

void compress_write_header(uint8_t* header, uint64_t uncompressedSize, uint64_t blockSize) {
  std::memcpy(header, kSignature, 4);
  store_le16(header + 4, kCompressHeaderSize);
  header[7] = kCompressAlgorithmLzms;
  store_le64(header + 8, uncompressedSize);
  store_le64(header + 16, blockSize);
  header[kCheckByte] = header_check_byte(header);
}

int compress_decode_buffer(const uint8_t* buf, size_t size, uint8_t* out, size_t outSize) {
  CompressedBuffer cb;
  if (!compress_parse_buffer(buf, size, &cb) || cb.uncompressedSize != outSize) return 0;
  return walk_blocks(cb, [&out](const uint8_t* data, size_t packed, size_t unpacked) {
    if (packed == unpacked)
      std::memcpy(out, data, unpacked);
    else if (!lzms_decode(data, packed, out, unpacked))
      return 0;
    out += unpacked;
    return 1;
  });
}
