#include "audio/fixed_pitch.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// exp2_q15 follows the power of two, exactly on whole octaves and one step below;
// log2_q15 gives the smallest grid value whose power reaches its argument.
TEST(FixedPitch, Exp2AndLog2) {
  const int exact[][2] = {{0, 32768}, {32768, 65536}, {-32768, 16384}, {-1, 32767}};
  for (const auto& e : exact) EXPECT_EQ(exp2_q15(e[0]), e[1]) << e[0];
  for (int x = -12 * 32768; x < 15 * 32768; x += 977) {
    double want = 32768.0 * std::pow(2.0, x / 32768.0);
    EXPECT_NEAR(exp2_q15(x), want, want * 5e-5 + 1.0) << x;
  }
  EXPECT_EQ(log2_q15(65536), 32768);
  for (int a = 3; a < 1500000000; a += a / 3 + 7) {
    int r = log2_q15(a);
    EXPECT_TRUE(exp2_q15(r) >= a && exp2_q15(r - 1) < a) << a;
    EXPECT_NEAR(r, 32768.0 * std::log2(a / 32768.0), 3.0 + 60000.0 / a) << a;
  }
}

}  // namespace
