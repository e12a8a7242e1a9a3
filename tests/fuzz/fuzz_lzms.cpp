// libFuzzer target: the asset container and the LZMS decoder on arbitrary bytes.
// A buffer that starts with the container signature goes through the container
// (claims up to 1 MiB are honoured); anything else is a raw LZMS block whose
// first two bytes give the output size.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "lzms/compress_container.h"
#include "lzms/lzms_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CompressedBuffer cb;
  if (compress_parse_buffer(data, size, &cb)) {
    if (cb.uncompressedSize > (1u << 20)) return 0;
    std::vector<uint8_t> out(cb.uncompressedSize);
    compress_decode_buffer(data, size, out.data(), out.size());
    return 0;
  }
  if (size < 2) return 0;
  std::vector<uint8_t> out(1 + load_le16(data));
  lzms_decode(data + 2, size - 2, out.data(), out.size());
  return 0;
}
