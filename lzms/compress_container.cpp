#include "lzms/compress_container.h"

#include "lzms/lzms_decode.h"

namespace {

constexpr uint8_t kSignature[4] = {0x0A, 0x51, 0xE5, 0xC0};

uint64_t Load64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void Store64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

int ParseCompressedBuffer(const uint8_t* buf, size_t size, CompressedBuffer* out) {
  if (size < kCompressHeaderSize) return 0;
  for (int i = 0; i < 4; ++i)
    if (buf[i] != kSignature[i]) return 0;
  if (buf[4] != kCompressHeaderSize || buf[5] != kCompressAlgorithmLzms || buf[6] || buf[7])
    return 0;
  uint64_t dataSize = Load64(buf + 16);
  if (dataSize != size - kCompressHeaderSize) return 0;
  out->uncompressedSize = Load64(buf + 8);
  out->data = buf + kCompressHeaderSize;
  out->dataSize = size_t(dataSize);
  return 1;
}

void WriteCompressHeader(uint8_t* header, uint64_t uncompressedSize, uint64_t dataSize) {
  for (int i = 0; i < 4; ++i) header[i] = kSignature[i];
  header[4] = kCompressHeaderSize;
  header[5] = kCompressAlgorithmLzms;
  header[6] = header[7] = 0;
  Store64(header + 8, uncompressedSize);
  Store64(header + 16, dataSize);
}

int DecompressBuffer(const uint8_t* buf, size_t size, uint8_t* out, size_t outSize) {
  CompressedBuffer cb;
  if (!ParseCompressedBuffer(buf, size, &cb) || cb.uncompressedSize != outSize) return 0;
  if (outSize == 0) return cb.dataSize == 0;
  return LzmsDecode(cb.data, cb.dataSize, out, outSize);
}
