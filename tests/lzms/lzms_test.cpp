// LZMS codec: both directions of interchange with an independent implementation (wimlib),
// which also holds the slot tables, the canonical codes and the x86 translation that both
// sides must share; the code length limit, tiny blocks and malformed blocks.
#include <gtest/gtest.h>
#include <wimlib.h>

#include <utility>
#include <vector>

#include "base/byte_order.h"
#include "lzms/lzms_common.h"
#include "lzms/lzms_decode.h"
#include "lzms/lzms_encode.h"
#include "tests/lzms/lzms_inputs.h"
#include "tests/test_files.h"

namespace {

Bytes WimlibCompress(const Bytes& in) {
  wimlib_compressor* c = nullptr;
  EXPECT_EQ(0, wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, in.size(), 50, &c));
  Bytes out(in.size() + in.size() / 8 + 64);
  out.resize(wimlib_compress(in.data(), in.size(), out.data(), out.size(), c));
  wimlib_free_compressor(c);
  return out;
}

int WimlibDecompress(const Bytes& in, Bytes* out) {
  wimlib_decompressor* d = nullptr;
  EXPECT_EQ(0, wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, out->size(), &d));
  int rc = wimlib_decompress(in.data(), in.size(), out->data(), out->size(), d);
  wimlib_free_decompressor(d);
  return rc;
}

Bytes Decode(const Bytes& block, size_t size, int* ok) {
  Bytes out(size);
  *ok = lzms_decode(block.data(), block.size(), out.data(), size);
  return out;
}

// Fibonacci weights want lengths up to 29: limited to 15, the code stays complete.
TEST(LzmsHuffmanCode, LengthLimitKeepsTheCodeComplete) {
  uint32_t freqs[30] = {1, 1}, cw[30];
  uint8_t lens[30];
  for (int i = 2; i < 30; ++i) freqs[i] = freqs[i - 1] + freqs[i - 2];
  lzms_make_canonical_code(30, 15, freqs, lens, cw);
  uint64_t kraft = 0;
  for (uint8_t l : lens) {
    ASSERT_TRUE(l >= 1 && l <= 15) << int(l);
    kraft += uint64_t(1) << (15 - l);
  }
  EXPECT_EQ(uint64_t(1) << 15, kraft);
}

std::vector<std::pair<const char*, Bytes>> Inputs() {
  // Over 1 MiB: code, text, waves and noise, then a repeat from far back.
  Bytes mixed = X86LikeCode(400000, 11);
  const Bytes head(mixed.begin(), mixed.begin() + 200000);
  for (const Bytes& part : {RepetitiveText(500000), SampleLikeWaves(300000), RandomBytes(100000, 2), head})
    mixed.insert(mixed.end(), part.begin(), part.end());
  // x86 edges: a call 700 bytes after the evidence (calls need it within 511), a reference in the last 16.
  Bytes edges(1100, 0x90);
  for (auto [i, v] : {std::pair<size_t, uint32_t>{100, 0x1000}, {300, 0x1000 - 200}, {1090, 0x40}})
    edges[i] = 0xFF, edges[i + 1] = 0x15, store_le32(&edges[i + 2], v);  // FF 15: call [rip + v]
  edges[1005] = 0xE8;
  return {{"3 bytes", {7, 7, 7}},
          {"run of 1000 equal bytes", Bytes(1000, 0xAB)},
          {"repetitive text", RepetitiveText(150000)},
          {"random", RandomBytes(70000, 1)},
          {"x86-like code", X86LikeCode(120000, 9)},
          {"sample-like waves", SampleLikeWaves(90000)},
          {"mixed, over 1 MiB", mixed},
          {"x86 edges", edges}};
}

// Our blocks decode with wimlib and with ours; wimlib's with ours.
TEST(LzmsCodec, BlocksInterchangeWithWimlib) {
  for (const auto& [name, data] : Inputs()) {
    SCOPED_TRACE(name);
    const Bytes ours = lzms_encode(data.data(), data.size());
    Bytes viaWimlib(data.size());
    EXPECT_EQ(0, WimlibDecompress(ours, &viaWimlib));
    EXPECT_EQ(data, viaWimlib);
    for (const Bytes& block : {ours, WimlibCompress(data)}) {
      if (block.empty()) continue;  // wimlib keeps incompressible data stored elsewhere
      int ok = 0;
      EXPECT_EQ(data, Decode(block, data.size(), &ok));
      EXPECT_EQ(1, ok);
    }
  }
}

TEST(LzmsCodec, CompressesWhereThereIsRedundancy) {
  const Bytes text = RepetitiveText(150000), waves = SampleLikeWaves(90000), zeros(400000, 0);
  EXPECT_LT(lzms_encode(text.data(), text.size()).size(), text.size() / 8);
  EXPECT_LT(lzms_encode(waves.data(), waves.size()).size(), waves.size() / 4);
  EXPECT_LT(lzms_encode(zeros.data(), zeros.size()).size(), 64u);
}

TEST(LzmsCodec, TinyBlocksRoundTrip) {
  // wimlib's decoder is not safe on one- and two-byte blocks: ours only.
  for (size_t n = 1; n <= 40; ++n) {
    Bytes in = RandomBytes(n, uint32_t(n));
    if (n > 20) in[n - 1] = in[0];
    int ok = 0;
    ASSERT_EQ(in, Decode(lzms_encode(in.data(), in.size()), n, &ok)) << n;
    EXPECT_EQ(1, ok);
  }
  EXPECT_TRUE(lzms_encode(nullptr, 0).empty());
}

TEST(LzmsDecoder, RejectsMalformedBlocks) {
  const Bytes in = RepetitiveText(20000);
  const Bytes block = lzms_encode(in.data(), in.size());
  Bytes out(in.size());
  // Refused before decoding anything: no room for the range coder, an odd size.
  EXPECT_EQ(0, lzms_decode(block.data(), 2, out.data(), 0));
  EXPECT_EQ(0, lzms_decode(block.data(), 5, out.data(), 0));
  // All-ones words: matches reach before the start of the output.
  const Bytes ones(64, 0xFF);
  EXPECT_EQ(0, lzms_decode(ones.data(), ones.size(), out.data(), out.size()));
}

// Damaged blocks take the decoders down rare paths (repeat indexes, delta powers,
// out-of-range matches): both must accept the same ones and agree on their bytes.
TEST(LzmsDecoder, AgreesWithWimlibOnDamagedBlocks) {
  uint32_t seed = 12345;
  int accepted = 0, rejected = 0;
  for (const Bytes& in : {RepetitiveText(20000), X86LikeCode(30000, 3), SampleLikeWaves(20000)}) {
    const Bytes block = lzms_encode(in.data(), in.size());
    for (int t = 0; t < 200; ++t) {
      Bytes bad = block;
      for (int k = 0; k <= t % 3; ++k) {
        seed = seed * 1664525u + 1013904223u;
        bad[(seed >> 8) % bad.size()] ^= uint8_t(1u << ((seed >> 4) & 7));
      }
      Bytes ours(in.size()), theirs(in.size());
      int ok = lzms_decode(bad.data(), bad.size(), ours.data(), ours.size());
      ASSERT_EQ(ok, WimlibDecompress(bad, &theirs) == 0) << t;
      ASSERT_TRUE(!ok || theirs == ours) << t;  // accepted: the same bytes
      (ok ? accepted : rejected)++;
    }
  }
  EXPECT_GT(accepted, 0);
  EXPECT_GT(rejected, 0);
}

}  // namespace
