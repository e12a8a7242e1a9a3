#include <gtest/gtest.h>

#include <vector>

#include "demo/demo_state.h"
#include "demo/triangle.h"
#include "tests/demo/fake_shell.h"

namespace {

constexpr uint8_t kColour = 77;

class Filler : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_demo_state();
    screen.assign(320 * 400, 0);
    g_demo.workScreen = screen.data();
  }
  void set(TrianglePoint a, TrianglePoint b, TrianglePoint c) {
    g_demo.triangle = TriangleSetup{{a, b, c}, kColour};
  }
  // The first and one past the last filled column of a row; (0, 0) when empty.
  std::pair<int, int> span(int row) const {
    int first = -1, last = -1;
    for (int x = 0; x < 320; ++x)
      if (screen[320 * row + x] == kColour) {
        if (first < 0) first = x;
        last = x;
      }
    return first < 0 ? std::pair<int, int>{0, 0} : std::pair<int, int>{first, last + 1};
  }
  int filled() const {
    int n = 0;
    for (uint8_t p : screen) n += p == kColour;
    return n;
  }
  std::vector<uint8_t> screen;
};

using Span = std::pair<int, int>;

TEST_F(Filler, PointsOnOneRowDrawNothing) {
  set({10, 50}, {200, 50}, {100, 50});
  fill_triangle();
  EXPECT_EQ(filled(), 0);
}

TEST_F(Filler, RightEndAt320IsExclusive) {
  // Flat top, x1 < x2: long edge (0,10)-(320,50) on the left (slope 8.0), right edge at 320.5.
  set({0, 10}, {320, 10}, {320, 50});
  fill_triangle();
  EXPECT_EQ(span(10), Span(0, 320));
  EXPECT_EQ(span(11), Span(8, 320));
  EXPECT_EQ(span(49), Span(312, 320));
  EXPECT_EQ(span(50), Span(0, 0));   // 320.5 to 320.5
  EXPECT_EQ(screen[320 * 11], 0);     // nothing ran on into the next row
  EXPECT_EQ(filled(), 320 * 40 - 8 * (39 * 40 / 2));
}

TEST_F(Filler, FlatTopWithTheFirstPointOnTheRight) {
  // Equal rows keep their order: point 1 is (100,20), so the edge 2-3 is the left one.
  set({100, 20}, {50, 20}, {75, 40});
  fill_triangle();
  EXPECT_EQ(span(20), Span(50, 100));
  EXPECT_EQ(span(30), Span(63, 88));   // 50.5 + 12.5 and 100.5 - 12.5
  EXPECT_EQ(span(40), Span(0, 0));
  EXPECT_EQ(span(19), Span(0, 0));
}

TEST_F(Filler, TwoHalvesSwitchTheShortEdgeAtTheMiddlePoint) {
  // Long edge (10,10)-(0,30) at -0.5 a row is left of the short edge (10,10)-(40,20) at +3.0.
  set({40, 20}, {0, 30}, {10, 10});
  fill_triangle();
  EXPECT_EQ(span(10), Span(0, 0));     // 10.5 to 10.5
  EXPECT_EQ(span(11), Span(10, 13));
  EXPECT_EQ(span(19), Span(6, 37));    // 6.0 to 37.5
  EXPECT_EQ(span(20), Span(5, 40));    // new short edge from 40.5, -4.0 a row
  EXPECT_EQ(span(25), Span(3, 20));
  EXPECT_EQ(span(30), Span(0, 0));
  EXPECT_EQ(span(31), Span(0, 0));
}

TEST_F(Filler, FlatBottomLeavesItsLastRowOut) {
  // Long edge (50,10)-(90,30) at +2.0 a row on the right, short edge at -2.0.
  set({50, 10}, {10, 30}, {90, 30});
  fill_triangle();
  EXPECT_EQ(span(10), Span(0, 0));     // 50.5 to 50.5
  EXPECT_EQ(span(11), Span(48, 52));
  EXPECT_EQ(span(29), Span(12, 88));   // 12.5 to 88.5
  EXPECT_EQ(span(30), Span(0, 0));
}

TEST_F(Filler, ClipRowsStepsThroughRowsAboveOneAndEndsBelow200) {
  // Slopes +-50 * 65536 / 300 = +-10922 (truncated); row 1 is 51 rows down, row 200 250.
  set({100, -50}, {200, -50}, {150, 250});
  fill_triangle_clip_rows();
  for (int row : {0, 201, 202})
    for (int x = 0; x < 320; ++x) ASSERT_EQ(screen[320 * row + x], 0) << row << " " << x;
  EXPECT_EQ(span(1), Span(108, 192));
  EXPECT_EQ(span(200), Span(142, 158));
}

TEST_F(Filler, ClipAllCutsSpansToTheScreenColumns) {
  set({-100, 10}, {400, 10}, {150, 60});   // slopes +-5.0
  fill_triangle_clip_all();
  EXPECT_EQ(span(9), Span(0, 0));
  EXPECT_EQ(span(10), Span(0, 320));
  EXPECT_EQ(span(30), Span(0, 300));   // -99.5 + 100, 400.5 - 100
  EXPECT_EQ(span(40), Span(50, 250));
  EXPECT_EQ(span(60), Span(0, 0));
}

TEST_F(Filler, ClipAllSkipsRowsWhoseLeftEdgeIsPastTheScreen) {
  set({300, 10}, {1000, 10}, {1000, 20});   // left edge +70 a row
  fill_triangle_clip_all();
  EXPECT_EQ(span(10), Span(300, 320));
  EXPECT_EQ(filled(), 20);
}

TEST_F(Filler, TrianglesWhollyOutsideDrawNothing) {
  set({-30, 10}, {-1, 10}, {-10, 50});
  fill_triangle_clip_all();
  set({321, 10}, {400, 10}, {330, 50});
  fill_triangle_clip_all();
  set({10, -30}, {100, -30}, {50, 0});
  fill_triangle_clip_rows();
  set({10, 201}, {100, 201}, {50, 300});
  fill_triangle_clip_rows();
  EXPECT_EQ(filled(), 0);
}

}  // namespace
