#include "audio/fixed_pitch.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(FixedPitch, Exp2MatchesThePowerOfTwo) {
  EXPECT_EQ(exp2_q15(0), 32768);
  EXPECT_EQ(exp2_q15(32768), 65536);
  EXPECT_EQ(exp2_q15(-32768), 16384);
  EXPECT_EQ(exp2_q15(256), 32946);  // table entry 1
  EXPECT_EQ(exp2_q15(127 * 256), 65182);
  EXPECT_EQ(exp2_q15(-1), 32768 - 1);  // table entry 127 one octave down, interpolated
  for (int x = -12 * 32768; x < 15 * 32768; x += 977) {
    double want = 32768.0 * std::pow(2.0, x / 32768.0);
    EXPECT_NEAR(exp2_q15(x), want, want * 5e-5 + 1.0) << x;
  }
}

TEST(FixedPitch, Log2FindsTheSmallestGridValueReachingA) {
  EXPECT_EQ(log2_q15(32768), 0);
  EXPECT_EQ(log2_q15(65536), 32768);
  for (int a = 3; a < 1500000000; a += a / 3 + 7) {
    int r = log2_q15(a);
    EXPECT_GE(exp2_q15(r), a) << a;
    EXPECT_LT(exp2_q15(r - 1), a) << a;
    EXPECT_NEAR(r, 32768.0 * std::log2(a / 32768.0), 3.0 + 60000.0 / a) << a;
  }
}

}  // namespace
