#include "demo/triangle.h"

#include <algorithm>
#include <cstring>

#include "demo/demo_state.h"

namespace {

enum class Clip { None, Rows, All };

constexpr int32_t kRightLimit = 320 * 65536;

// An edge's x in 16.16, starting in the middle of its first pixel. Steps wrap like
// 32-bit registers.
struct Edge {
  int32_t x, slope;
  void step(int32_t rows) {
    x = static_cast<int32_t>(static_cast<uint32_t>(x) +
                             static_cast<uint32_t>(slope) * static_cast<uint32_t>(rows));
  }
};

Edge edge(TrianglePoint from, TrianglePoint to) {
  int32_t dx = static_cast<int32_t>(static_cast<uint32_t>(to.x - from.x) << 16);
  return Edge{from.x * 65536 + 32768, dx / (to.y - from.y)};
}

// Fills `rows` rows from `y` on between the two edges, leaving both stepped past them.
// Returns false once clipping has reached the rows below the picture.
bool fill_rows(Clip clip, uint8_t colour, int y, int rows, Edge& left, Edge& right) {
  if (clip != Clip::None && y < 1) {
    int skipped = rows < 1 - y ? rows : 1 - y;  // above the picture: step only
    left.step(skipped);
    right.step(skipped);
    y += skipped;
    rows -= skipped;
  }
  for (; rows > 0; --rows, ++y, left.step(1), right.step(1)) {
    if (clip != Clip::None && y > 200) return false;
    uint8_t* line = g_demo.workScreen + 320 * y;
    int32_t from = left.x >> 16, to = right.x >> 16;
    if (clip == Clip::All) {
      if (left.x > kRightLimit || right.x < 0) continue;
      if (from < 0) from = 0;
      if (to > 320) to = 320;
    }
    if (to > from) std::memset(line + from, colour, static_cast<size_t>(to - from));
  }
  return true;
}

void fill(Clip clip) {
  TriangleSetup& t = g_demo.triangle;
  TrianglePoint* p = t.p;
  auto order = [](TrianglePoint& a, TrianglePoint& b) {
    if (a.y > b.y) {
      TrianglePoint swap = a;
      a = b;
      b = swap;
    }
  };
  order(p[0], p[1]);
  order(p[0], p[2]);
  order(p[1], p[2]);
  const TrianglePoint p1 = p[0], p2 = p[1], p3 = p[2];
  int minX = std::min({p1.x, p2.x, p3.x}), maxX = std::max({p1.x, p2.x, p3.x});
  if (p3.y < 1 || p1.y > 200 || maxX < 0 || minX > 320 || p1.y == p3.y) return;

  Edge longEdge = edge(p1, p3);
  if (p1.y == p2.y) {  // flat top
    Edge other = edge(p2, p3);
    if (p1.x < p2.x)
      fill_rows(clip, t.colour, p1.y, p3.y - p2.y + 1, longEdge, other);
    else
      fill_rows(clip, t.colour, p1.y, p3.y - p2.y + 1, other, longEdge);
    return;
  }
  Edge shortEdge = edge(p1, p2);
  bool longOnLeft = longEdge.slope < shortEdge.slope;
  Edge& left = longOnLeft ? longEdge : shortEdge;
  Edge& right = longOnLeft ? shortEdge : longEdge;
  if (!fill_rows(clip, t.colour, p1.y, p2.y - p1.y, left, right) || p3.y == p2.y) return;
  shortEdge = edge(p2, p3);
  fill_rows(clip, t.colour, p2.y, p3.y - p2.y + 1, left, right);
}

}  // namespace

void fill_triangle() { fill(Clip::None); }
void fill_triangle_clip_rows() { fill(Clip::Rows); }
void fill_triangle_clip_all() { fill(Clip::All); }
