#include "audio/byte_source.h"

#include <cstring>

#include "base/byte_order.h"

namespace {

bool inside(const ByteSource& src, uint64_t offset, uint32_t count) {
  return offset <= src.length && src.length - offset >= count;
}

}  // namespace

uint32_t bs_u8(const ByteSource& src, uint64_t offset) {
  return inside(src, offset, 1) ? src.data[offset] : 0;
}

int32_t bs_s8(const ByteSource& src, uint64_t offset) {
  return inside(src, offset, 1) ? static_cast<int8_t>(src.data[offset]) : 0;
}

uint32_t bs_u16le(const ByteSource& src, uint64_t offset) {
  return inside(src, offset, 2) ? load_le16(src.data + offset) : 0;
}

uint32_t bs_u16be(const ByteSource& src, uint64_t offset) {
  return inside(src, offset, 2) ? load_be16(src.data + offset) : 0;
}

uint32_t bs_u32le(const ByteSource& src, uint64_t offset) {
  return inside(src, offset, 4) ? load_le32(src.data + offset) : 0;
}

uint32_t bs_remaining(const ByteSource& src, uint64_t offset) {
  return offset < src.length ? static_cast<uint32_t>(src.length - offset) : 0;
}

void bs_text(const ByteSource& src, uint64_t offset, char* dst, uint32_t count) {
  std::memset(dst, ' ', count);
  uint32_t n = bs_remaining(src, offset);
  if (n > count) n = count;
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t c = src.data[offset + i];
    if (c > 32) dst[i] = static_cast<char>(c);
  }
}
