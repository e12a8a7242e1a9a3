// LZMS codec: the shared model against hand-derived values, and both
// directions of interchange with an independent implementation (wimlib).
#include <gtest/gtest.h>
#include <wimlib.h>

#include <vector>

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
  size_t n = wimlib_compress(in.data(), in.size(), out.data(), out.size(), c);
  wimlib_free_compressor(c);
  out.resize(n);
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

TEST(LzmsTables, SlotBasesFromTheRunLengths) {
  // Offsets: nine slots of width 1 (1..9), none of width 2, then width 4.
  EXPECT_EQ(1u, kLzmsSlots.offsetBase[0]);
  EXPECT_EQ(9u, kLzmsSlots.offsetBase[8]);
  EXPECT_EQ(13u, kLzmsSlots.offsetBase[9]);
  EXPECT_EQ(2u, kLzmsSlots.offsetExtra[8]);
  EXPECT_EQ(0x7fffffffu, kLzmsSlots.offsetBase[kLzmsMaxNumOffsetSyms]);
  // Lengths: 27 slots of width 1, four of width 2, ...; the last slot takes 30 bits.
  EXPECT_EQ(27u, kLzmsSlots.lengthBase[26]);
  EXPECT_EQ(29u, kLzmsSlots.lengthBase[27]);
  EXPECT_EQ(0x108abu, kLzmsSlots.lengthBase[53]);
  EXPECT_EQ(30u, kLzmsSlots.lengthExtra[53]);
  for (unsigned s = 0; s + 1 < kLzmsMaxNumOffsetSyms; ++s)
    ASSERT_EQ(kLzmsSlots.offsetBase[s] + (1u << kLzmsSlots.offsetExtra[s]),
              kLzmsSlots.offsetBase[s + 1]);
  EXPECT_EQ(8u, lzms_offset_slot(12));
  EXPECT_EQ(9u, lzms_offset_slot(13));
  // A block of 10 bytes has offsets 1..9: slots 0..8.
  EXPECT_EQ(9u, lzms_num_offset_slots(10));
  EXPECT_EQ(0u, lzms_num_offset_slots(1));
}

TEST(LzmsHuffmanCode, CanonicalCodesByHandAndTheLengthLimit) {
  struct Case {
    std::vector<uint32_t> weights;
    std::vector<unsigned> lengths;
    std::vector<uint32_t> codewords;
  } cases[] = {
      // Lengths 3,3,2,1; codewords 110, 111, 10, 0.
      {{1, 1, 2, 4}, {3, 3, 2, 1}, {6, 7, 2, 0}},
      // The two lowest symbols pair up first, so symbol 2 gets the short codeword (ties
      // prefer a leaf over a new node).
      {{1, 1, 1}, {2, 2, 1}, {2, 3, 0}},
  };
  uint8_t lens[30];
  uint32_t cw[30];
  for (const Case& c : cases) {
    const unsigned n = unsigned(c.weights.size());
    lzms_make_canonical_code(n, 15, c.weights.data(), lens, cw);
    EXPECT_EQ(c.lengths, std::vector<unsigned>(lens, lens + n));
    EXPECT_EQ(c.codewords, std::vector<uint32_t>(cw, cw + n));
  }
  // Fibonacci weights want lengths up to 29: limited to 15, the code stays complete.
  uint32_t freqs[30] = {1, 1};
  for (int i = 2; i < 30; ++i) freqs[i] = freqs[i - 1] + freqs[i - 2];
  lzms_make_canonical_code(30, 15, freqs, lens, cw);
  uint64_t kraft = 0;
  for (uint8_t l : lens) {
    ASSERT_GE(l, 1);
    ASSERT_LE(l, 15);
    kraft += uint64_t(1) << (15 - l);
  }
  EXPECT_EQ(uint64_t(1) << 15, kraft);
}

TEST(LzmsX86, TranslationIsUndoneExactly) {
  Bytes code = X86LikeCode(20000, 3);
  Bytes work = code;
  std::vector<int32_t> scratch(65536);
  lzms_x86_filter(work.data(), work.size(), scratch.data(), 0);
  EXPECT_NE(code, work);  // the calls were recognised and rewritten
  lzms_x86_filter(work.data(), work.size(), scratch.data(), 1);
  EXPECT_EQ(code, work);
}

struct Case {
  const char* name;
  Bytes data;
};

std::vector<Case> Inputs() {
  std::vector<Case> v;
  v.push_back({"3 bytes", {7, 7, 7}});
  v.push_back({"run of 1000 equal bytes", Bytes(1000, 0xAB)});
  v.push_back({"repetitive text", RepetitiveText(150000)});
  v.push_back({"random", RandomBytes(70000, 1)});
  v.push_back({"x86-like code", X86LikeCode(120000, 9)});
  v.push_back({"sample-like waves", SampleLikeWaves(90000)});
  Bytes mixed = RepetitiveText(30000);
  Bytes noise = RandomBytes(3000, 5), waves = SampleLikeWaves(20000);
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  mixed.insert(mixed.end(), waves.begin(), waves.end());
  mixed.insert(mixed.end(), 25000, 0);
  v.push_back({"mixed", mixed});
  return v;
}

TEST(LzmsCodec, OurBlocksDecodeWithWimlibAndOurs) {
  for (const Case& c : Inputs()) {
    SCOPED_TRACE(c.name);
    Bytes block = lzms_encode(c.data.data(), c.data.size());
    int ok = 0;
    EXPECT_EQ(c.data, Decode(block, c.data.size(), &ok));
    EXPECT_EQ(1, ok);
    Bytes viaWimlib(c.data.size());
    EXPECT_EQ(0, WimlibDecompress(block, &viaWimlib));
    EXPECT_EQ(c.data, viaWimlib);
  }
}

TEST(LzmsCodec, WimlibBlocksDecodeWithOurs) {
  for (const Case& c : Inputs()) {
    SCOPED_TRACE(c.name);
    Bytes block = WimlibCompress(c.data);
    if (block.empty()) continue;  // wimlib keeps incompressible data stored elsewhere
    int ok = 0;
    EXPECT_EQ(c.data, Decode(block, c.data.size(), &ok));
    EXPECT_EQ(1, ok);
  }
}

TEST(LzmsCodec, CompressesWhereThereIsRedundancy) {
  Bytes text = RepetitiveText(150000);
  EXPECT_LT(lzms_encode(text.data(), text.size()).size(), text.size() / 8);
  Bytes waves = SampleLikeWaves(90000);
  EXPECT_LT(lzms_encode(waves.data(), waves.size()).size(), waves.size() / 4);
  Bytes zeros(400000, 0);
  EXPECT_LT(lzms_encode(zeros.data(), zeros.size()).size(), 64u);
}

TEST(LzmsCodec, TinyBlocksRoundTrip) {
  // wimlib's decoder is not safe on one- and two-byte blocks: ours only.
  for (size_t n = 1; n <= 40; ++n) {
    Bytes in = RandomBytes(n, uint32_t(n));
    if (n > 20) in[n - 1] = in[0];
    Bytes block = lzms_encode(in.data(), in.size());
    int ok = 0;
    ASSERT_EQ(in, Decode(block, n, &ok)) << n;
    EXPECT_EQ(1, ok);
  }
  EXPECT_TRUE(lzms_encode(nullptr, 0).empty());
}

TEST(LzmsDecoder, RejectsMalformedBlocks) {
  Bytes in = RepetitiveText(20000);
  Bytes block = lzms_encode(in.data(), in.size());
  Bytes out(in.size());
  EXPECT_EQ(0, lzms_decode(block.data(), 2, out.data(), out.size()));  // no range coder
  EXPECT_EQ(0, lzms_decode(block.data(), block.size() - 1, out.data(), out.size()));  // odd
  // Every single-byte corruption either fails or still stays inside the buffers
  // (the sanitizer build checks the latter).
  for (size_t i = 0; i < block.size(); i += 7) {
    Bytes bad = block;
    bad[i] ^= 0x5A;
    lzms_decode(bad.data(), bad.size(), out.data(), out.size());
  }
  // A block of all-ones words: matches reach before the start of the output.
  Bytes ones(64, 0xFF);
  EXPECT_EQ(0, lzms_decode(ones.data(), ones.size(), out.data(), out.size()));
}

// Damaged blocks take the decoders down unusual paths (rare repeat indexes,
// delta powers, out-of-range matches); both must accept and reject the same
// ones, and agree on the bytes of those they accept.
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
      if (ok) {
        ASSERT_EQ(theirs, ours) << t;
      }
      (ok ? accepted : rejected)++;
    }
  }
  EXPECT_GT(accepted, 0);
  EXPECT_GT(rejected, 0);
}

}  // namespace
