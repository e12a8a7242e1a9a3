// The Compression API buffer around the LZMS block: header bytes, and every
// way a damaged or mismatched buffer must fail.
#include <gtest/gtest.h>

#include <vector>

#include "lzms/compress_container.h"
#include "lzms/lzms_encode.h"
#include "tests/lzms/lzms_inputs.h"
#include "tests/test_files.h"

namespace {

TEST(CompressContainer, HeaderLayout) {
  Bytes in = RepetitiveText(555740);
  Bytes buf = CompressBufferLzms(in.data(), in.size());
  ASSERT_GT(buf.size(), kCompressHeaderSize);
  const Bytes expected = {0x0A, 0x51, 0xE5, 0xC0, 24, 5, 0, 0,   // signature, size, LZMS
                          0xDC, 0x7A, 0x08, 0,    0,  0, 0, 0};  // 555,740 = 0x87ADC
  EXPECT_EQ(expected, Bytes(buf.begin(), buf.begin() + 16));
  uint64_t dataSize = 0;
  for (int i = 23; i >= 16; --i) dataSize = dataSize << 8 | buf[i];
  EXPECT_EQ(buf.size() - 24, dataSize);
  Bytes out(in.size());
  EXPECT_EQ(1, DecompressBuffer(buf.data(), buf.size(), out.data(), out.size()));
  EXPECT_EQ(in, out);
}

TEST(CompressContainer, EmptyAndOneByte) {
  Bytes empty = CompressBufferLzms(nullptr, 0);
  EXPECT_EQ(kCompressHeaderSize, empty.size());
  EXPECT_EQ(1, DecompressBuffer(empty.data(), empty.size(), nullptr, 0));
  const uint8_t one = 0x42;
  Bytes buf = CompressBufferLzms(&one, 1);
  uint8_t out = 0;
  EXPECT_EQ(1, DecompressBuffer(buf.data(), buf.size(), &out, 1));
  EXPECT_EQ(0x42, out);
}

TEST(CompressContainer, DamagedOrMismatchedBuffersFail) {
  Bytes in = SampleLikeWaves(30000);
  const Bytes good = CompressBufferLzms(in.data(), in.size());
  Bytes out(in.size());
  auto decodes = [&](const Bytes& b, size_t outSize) {
    Bytes o(outSize);
    return DecompressBuffer(b.data(), b.size(), o.data(), outSize);
  };
  ASSERT_EQ(1, decodes(good, in.size()));
  EXPECT_EQ(0, decodes(good, in.size() - 1));  // another size than the header's
  EXPECT_EQ(0, decodes(good, in.size() + 1));
  for (size_t cut :
       {size_t(0), size_t(3), size_t(23), size_t(24), good.size() / 2, good.size() - 2})
    EXPECT_EQ(0, decodes(Bytes(good.begin(), good.begin() + cut), in.size())) << cut;
  Bytes longer = good;
  longer.push_back(0);
  longer.push_back(0);
  EXPECT_EQ(0, decodes(longer, in.size()));
  for (size_t at : {0, 3, 4, 5, 6, 8, 12, 16, 20}) {
    Bytes bad = good;
    bad[at] ^= 0x10;
    EXPECT_EQ(0, decodes(bad, in.size())) << at;
  }
  // An honest header around an oversized claim still fails on the size check.
  Bytes huge = good;
  huge[15] = 0x01;
  EXPECT_EQ(0, decodes(huge, in.size()));
}

}  // namespace
