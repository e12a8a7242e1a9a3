#include "lzms/compress_container.h"

#include "base/byte_order.h"
#include "lzms/lzms_decode.h"

namespace {

constexpr uint8_t kSignature[4] = {0x0A, 0x51, 0xE5, 0xC0};

}  // namespace

int ParseCompressedBuffer(const uint8_t* buf, size_t size, CompressedBuffer* out) {
  if (size < kCompressHeaderSize) return 0;
  for (int i = 0; i < 4; ++i)
    if (buf[i] != kSignature[i]) return 0;
  if (buf[4] != kCompressHeaderSize || buf[5] != kCompressAlgorithmLzms || buf[6] || buf[7])
    return 0;
  uint64_t dataSize = load_le64(buf + 16);
  if (dataSize != size - kCompressHeaderSize) return 0;
  out->uncompressedSize = load_le64(buf + 8);
  out->data = buf + kCompressHeaderSize;
  out->dataSize = size_t(dataSize);
  return 1;
}

void WriteCompressHeader(uint8_t* header, uint64_t uncompressedSize, uint64_t dataSize) {
  for (int i = 0; i < 4; ++i) header[i] = kSignature[i];
  header[4] = kCompressHeaderSize;
  header[5] = kCompressAlgorithmLzms;
  header[6] = header[7] = 0;
  store_le64(header + 8, uncompressedSize);
  store_le64(header + 16, dataSize);
}

int DecompressBuffer(const uint8_t* buf, size_t size, uint8_t* out, size_t outSize) {
  CompressedBuffer cb;
  if (!ParseCompressedBuffer(buf, size, &cb) || cb.uncompressedSize != outSize) return 0;
  if (outSize == 0) return cb.dataSize == 0;
  return LzmsDecode(cb.data, cb.dataSize, out, outSize);
}
