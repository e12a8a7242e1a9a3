// LZMS on blocks above 1 MiB, both directions with wimlib.
#include <gtest/gtest.h>
#include <wimlib.h>

#include <vector>

#include "lzms/lzms_decode.h"
#include "lzms/lzms_encode.h"
#include "tests/lzms/lzms_inputs.h"
#include "tests/test_files.h"

namespace {

Bytes LargeInput() {
  Bytes v = X86LikeCode(400000, 11);
  Bytes t = RepetitiveText(500000), w = SampleLikeWaves(300000), r = RandomBytes(100000, 2);
  v.insert(v.end(), t.begin(), t.end());
  v.insert(v.end(), w.begin(), w.end());
  v.insert(v.end(), r.begin(), r.end());
  v.insert(v.end(), v.begin(), v.begin() + 200000);  // a far repeat
  return v;
}

TEST(LzmsLarge, OverOneMebibyteBothWays) {
  const Bytes in = LargeInput();
  ASSERT_GT(in.size(), size_t(1) << 20);

  Bytes ours = lzms_encode(in.data(), in.size());
  Bytes out(in.size());
  EXPECT_EQ(1, lzms_decode(ours.data(), ours.size(), out.data(), out.size()));
  EXPECT_EQ(in, out);
  wimlib_decompressor* d = nullptr;
  ASSERT_EQ(0, wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, in.size(), &d));
  Bytes viaWimlib(in.size());
  EXPECT_EQ(0, wimlib_decompress(ours.data(), ours.size(), viaWimlib.data(), in.size(), d));
  wimlib_free_decompressor(d);
  EXPECT_EQ(in, viaWimlib);

  wimlib_compressor* c = nullptr;
  ASSERT_EQ(0, wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, in.size(), 50, &c));
  Bytes theirs(in.size());
  theirs.resize(wimlib_compress(in.data(), in.size(), theirs.data(), theirs.size(), c));
  wimlib_free_compressor(c);
  ASSERT_FALSE(theirs.empty());
  Bytes out2(in.size());
  EXPECT_EQ(1, lzms_decode(theirs.data(), theirs.size(), out2.data(), out2.size()));
  EXPECT_EQ(in, out2);
}

}  // namespace
