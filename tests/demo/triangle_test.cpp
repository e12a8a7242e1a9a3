// The three triangle fillers against spans worked out by hand: each edge starts at x + 0.5 in
// 16.16 fixed point and steps by its truncated slope; a row is filled from its left edge's whole
// part up to, not including, its right edge's.
#include "demo/triangle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "tests/demo/demo_fixture.h"

namespace {

using Span = std::array<int, 3>;  // row, first filled column, one past the last; 0, 0 when empty

Span span(const TestScreen& screen, int row) {
  int first = 0, end = 0;
  for (int x = 319; x >= 0; --x)
    if (screen.at(row, x)) first = x, end = end ? end : x + 1;
  return {row, first, end};
}

TEST(Triangle, FilledSpansPerRow) {
  // clang-format off
  struct { const char* what; void (*fill)(); TrianglePoint a, b, c; int total; std::vector<Span> spans; }
  cases[] = {
      {"points on one row", fill_triangle, {10, 50}, {200, 50}, {100, 50}, 0, {}},
      // Long edge (0,10)-(320,50) on the left at 8.0 a row, right edge at 320.5: the end is exclusive.
      {"flat top to column 320", fill_triangle, {0, 10}, {320, 10}, {320, 50}, 320 * 40 - 8 * (39 * 40 / 2),
       {{10, 0, 320}, {11, 8, 320}, {49, 312, 320}, {50, 0, 0}}},
      // Equal rows keep their order: point 1 is (100,20), so the edge 2-3 is the left one.
      {"flat top, first point right", fill_triangle, {100, 20}, {50, 20}, {75, 40}, -1,
       {{19, 0, 0}, {20, 50, 100}, {30, 63, 88}, {40, 0, 0}}},
      // Long edge (10,10)-(0,30) at -0.5 a row left of the short edge (10,10)-(40,20) at +3.0;
      // from row 20 the short edge starts again at 40.5, -4.0 a row.
      {"two halves", fill_triangle, {40, 20}, {0, 30}, {10, 10}, -1,
       {{10, 0, 0}, {11, 10, 13}, {19, 6, 37}, {20, 5, 40}, {25, 3, 20}, {30, 0, 0}, {31, 0, 0}}},
      // Long edge (50,10)-(90,30) at +2.0 a row on the right, short edge at -2.0.
      {"flat bottom leaves its last row out", fill_triangle, {50, 10}, {10, 30}, {90, 30}, -1,
       {{10, 0, 0}, {11, 48, 52}, {29, 12, 88}, {30, 0, 0}}},
      // Slopes +-50 * 65536 / 300 = +-10922 (truncated); row 1 is 51 rows down, row 200 250.
      {"rows clipped", fill_triangle_clip_rows, {100, -50}, {200, -50}, {150, 250}, -1,
       {{0, 0, 0}, {1, 108, 192}, {200, 142, 158}, {201, 0, 0}, {202, 0, 0}}},
      // Slopes +-5.0: spans cut to the screen's columns.
      {"columns clipped", fill_triangle_clip_all, {-100, 10}, {400, 10}, {150, 60}, -1,
       {{9, 0, 0}, {10, 0, 320}, {30, 0, 300}, {40, 50, 250}, {60, 0, 0}}},
      {"cut at column 320", fill_triangle_clip_all, {300, 10}, {1000, 10}, {1000, 20}, 20, {{10, 300, 320}}},
      {"left of the screen", fill_triangle_clip_all, {-30, 10}, {-1, 10}, {-10, 50}, 0, {}},
      {"right of the screen", fill_triangle_clip_all, {321, 10}, {400, 10}, {330, 50}, 0, {}},
      {"above the screen", fill_triangle_clip_rows, {10, -30}, {100, -30}, {50, 0}, 0, {}},
      {"below the screen", fill_triangle_clip_rows, {10, 201}, {100, 201}, {50, 300}, 0, {}},
  };   // total: filled pixels, -1 when not counted
  // clang-format on
  for (const auto& c : cases) {
    TestScreen screen;
    g_demo.triangle = TriangleSetup{{c.a, c.b, c.c}, 77};
    c.fill();
    for (const Span& s : c.spans) EXPECT_EQ(span(screen, s[0]), s) << c.what;
    const int filled = 320 * 400 - int(std::count(screen.pixels.begin(), screen.pixels.end(), 0));
    if (c.total >= 0) {
      EXPECT_EQ(filled, c.total) << c.what;
    }
  }
}

}  // namespace
