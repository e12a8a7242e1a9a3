// The Compression API buffer around LZMS blocks: the seven buffers that Windows'
// own cabinet.dll wrote unpack to what was packed, our headers are byte for byte
// the ones Windows writes, and every damaged or inconsistent buffer is refused.
#include "lzms/compress_container.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "lzms/lzms_encode.h"
#include "tests/lzms/cabinet_vectors.h"
#include "tests/lzms/lzms_inputs.h"
#include "tests/test_files.h"

namespace {

// What each Windows buffer was made from, as its description gives it.
Bytes windows_input(const std::string& name, const Bytes& buffer) {
  Bytes in;
  auto fill = [&](size_t n, auto byte) {
    for (size_t i = 0; i < n; ++i) in.push_back(uint8_t(byte(i)));
  };
  if (name == "small") fill(64, [](size_t i) { return 7 * i; });
  if (name == "zeros") fill(4096, [](size_t) { return 0; });
  if (name == "sequential") fill(1024, [](size_t i) { return i; });
  if (name == "single_byte") fill(16384, [](size_t) { return 0x41; });
  if (name == "pattern") {
    const uint8_t unit[8] = {0xDE, 0xAD, 0xBE, 0xEF, 0xCA, 0xFE, 0xBA, 0xBE};
    fill(8192, [&](size_t i) { return unit[i % 8]; });
  }
  if (name == "english") {
    const char* unit =
        "The quick brown fox jumps over the lazy dog. Pack my box with five dozen liquor jugs. "
        "How vexingly quick daft zebras jump. The five boxing wizards jump quickly.";
    fill(1600, [&](size_t i) { return unit[i % std::strlen(unit)]; });
  }
  if (name == "random") in.assign(buffer.begin() + 28, buffer.end());  // stored as it is
  return in;
}

int decodes(const Bytes& buffer, size_t outSize) {
  Bytes out(outSize);
  return compress_decode_buffer(buffer.data(), buffer.size(), out.data(), outSize);
}

TEST(CompressContainer, WindowsBuffersUnpackAndOurHeadersMatchThem) {
  for (const CabinetVector& v : kCabinetVectors) {
    const Bytes buffer = test_from_hex(v.hex);
    const Bytes in = windows_input(v.name, buffer);
    ASSERT_FALSE(in.empty()) << v.name;
    Bytes out(in.size());
    EXPECT_EQ(1, compress_decode_buffer(buffer.data(), buffer.size(), out.data(), out.size())) << v.name;
    EXPECT_EQ(in, out) << v.name;
    uint8_t header[kCompressHeaderSize];
    compress_write_header(header, in.size(), in.size());
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 24), Bytes(header, header + 24)) << v.name;
  }
}

// Three blocks of 1000, 1000 and 500 bytes: packed, stored, packed; valid unless damaged below.
Bytes three_blocks(const Bytes& in) {
  Bytes buffer(kCompressHeaderSize);
  compress_write_header(buffer.data(), in.size(), 1000);
  for (size_t at = 0; at < in.size(); at += 1000) {
    const size_t n = std::min<size_t>(1000, in.size() - at);
    Bytes block = at == 1000 ? Bytes(in.begin() + at, in.begin() + at + n) : lzms_encode(in.data() + at, n);
    uint8_t size[4];
    store_le32(size, uint32_t(block.size()));
    buffer.insert(buffer.end(), size, size + 4);
    buffer.insert(buffer.end(), block.begin(), block.end());
  }
  return buffer;
}

TEST(CompressContainer, RoundTripsAndStoresWhatDoesNotShrink) {
  for (size_t size : {size_t(0), size_t(1), size_t(30000)}) {
    const Bytes in = SampleLikeWaves(size);
    const Bytes buffer = compress_encode_buffer(in.data(), in.size());
    Bytes out(size);
    EXPECT_EQ(1, compress_decode_buffer(buffer.data(), buffer.size(), out.data(), size)) << size;
    EXPECT_EQ(in, out);
  }
  // Bytes that LZMS cannot shrink are stored: header, size field, the bytes.
  const Bytes noise = test_from_hex(kCabinetVectors[6].hex);
  EXPECT_EQ(noise, compress_encode_buffer(noise.data() + 28, 2048));
}

TEST(CompressContainer, DamagedOrInconsistentBuffersAreRefused) {
  const Bytes in = RepetitiveText(2500);
  const Bytes good = three_blocks(in);
  Bytes out(in.size());
  ASSERT_EQ(1, compress_decode_buffer(good.data(), good.size(), out.data(), out.size()));
  ASSERT_EQ(in, out);
  const Bytes one = compress_encode_buffer(in.data(), in.size());
  const size_t secondSize = kCompressHeaderSize + 4 + load_le32(good.data() + 24);
  // clang-format off
  auto resigned = [](Bytes b, uint64_t n, uint64_t bs) { compress_write_header(b.data(), n, bs); return b; };
  auto flipped = [&](size_t at, uint8_t bits) { Bytes b = good; b[at] ^= bits; return b; };
  const struct { const char* what; Bytes buffer; } cases[] = {
      {"signature", flipped(1, 0x01)}, {"check byte", flipped(6, 0x01)},
      // Check bytes from zlib's CRC-32 of the changed header, so only the changed field is wrong.
      {"header size 16", [&] { Bytes b = good; b[4] = 16, b[6] = 0x71; return b; }()},
      {"algorithm 2", [&] { Bytes b = good; b[6] = 0xBF, b[7] = 2; return b; }()},
      {"block size 0", resigned(good, in.size(), 0)},
      {"block size above 0x4000000 (one block)", resigned(one, in.size(), kCompressMaxBlockSize + 1)},
      {"total needs another block", resigned(good, in.size() + 600, 1000)},
      {"total ends a block early", resigned(good, in.size() - 500, 1000)},
      {"total needs more blocks", resigned(good, in.size(), 999)},
      {"block runs past the buffer", flipped(secondSize + 1, 0x80)},
      {"block larger than it unpacks", [&] { Bytes b = good; store_le32(&b[secondSize], 1001); return b; }()},
      {"bytes after the last block", [&] { Bytes b = good; b.push_back(0); return b; }()},
      {"cut in a size field", Bytes(good.begin(), good.begin() + secondSize + 2)},
      {"cut in a block", Bytes(good.begin(), good.end() - 1)},
      {"header only", Bytes(good.begin(), good.begin() + 24)},
      {"shorter than a header", Bytes(good.begin(), good.begin() + 23)}};
  // clang-format on
  for (const auto& c : cases) {
    CompressedBuffer cb;
    EXPECT_EQ(0, compress_parse_buffer(c.buffer.data(), c.buffer.size(), &cb)) << c.what;
    EXPECT_EQ(0, decodes(c.buffer, in.size())) << c.what;
  }
  EXPECT_EQ(0, decodes(good, in.size() - 1)) << "another size than the header's";
  EXPECT_EQ(0, decodes(good, in.size() + 1));
}

}  // namespace
