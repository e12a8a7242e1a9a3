// Random triangles and random models: whatever the coordinates, painting stays inside
// the visible rows 1 to 200 and inside each triangle's bounding box.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/asset_image.h"
#include "demo/demo_state.h"
#include "demo/object.h"
#include "demo/triangle.h"
#include "tests/demo/demo_fixture.h"

namespace {

TEST(RandomTriangles, PaintOnlyInsideTheirBoxAndTheVisibleRows) {
  const uint8_t kColour = 200;
  reset_demo_state();
  TestScreen screen;
  std::mt19937 random(1997);
  int drawn = 0;
  for (int i = 0; i < 6000; ++i) {
    const int kind = i % 3;   // inside, rows outside, anything
    TrianglePoint p[3];
    for (TrianglePoint& q : p) {
      if (kind == 2 && i % 6 == 2) {
        q.x = int16_t(random());
        q.y = int16_t(random());
      } else {
        q.x = int16_t(kind == 2 ? int(random() % 1400) - 540 : int(random() % 321));
        q.y = int16_t(kind == 0 ? 1 + int(random() % 200) : int(random() % 900) - 350);
      }
    }
    g_demo.triangle = TriangleSetup{{p[0], p[1], p[2]}, kColour};
    (kind == 0 ? fill_triangle : kind == 1 ? fill_triangle_clip_rows : fill_triangle_clip_all)();
    const int top = std::max<int>(1, std::min({p[0].y, p[1].y, p[2].y}));
    const int bottom = std::min<int>(200, std::max({p[0].y, p[1].y, p[2].y}));
    const int left = std::max<int>(0, std::min({p[0].x, p[1].x, p[2].x}));
    const int right = std::min<int>(319, std::max({p[0].x, p[1].x, p[2].x}));
    for (size_t k = 0; k < screen.pixels.size(); ++k) {
      if (screen.pixels[k] != kColour) continue;
      int row = int(k / 320), column = int(k % 320);
      ASSERT_TRUE(row >= top && row <= bottom && column >= left && column <= right)
          << "triangle " << i << ": row " << row << " column " << column;
      screen.pixels[k] = 0;
      ++drawn;
    }
  }
  EXPECT_GT(drawn, 0);
}

TEST(RandomModels, PreparingAndPaintingNeverLeavesTheVisibleRows) {
  std::mt19937 random(97);
  for (int m = 0; m < 40; ++m) {
    int vertices = 1 + random() % 300, faces = 1 + random() % 300;
    std::vector<Triple> v(vertices), n(faces);
    for (Triple& t : v)
      for (int16_t& c : t) c = int16_t(m % 4 == 0 ? random() : random() % 600 - 300);
    for (Triple& t : n)
      for (int16_t& c : t) c = int16_t(random() % 512 - 256);
    std::vector<TestFace> f(faces);
    for (TestFace& face : f) {
      for (uint16_t& r : face.vertex) r = uint16_t(random() % (m % 5 == 1 ? vertices + 3 : vertices));
      face.baseColour = uint8_t(random());
    }
    std::vector<PathRecord> records(800);
    for (PathRecord& r : records)
      for (int16_t& c : r) c = int16_t(m % 3 == 0 ? random() : random() % 2048 - 1024);
    load_object(model_bytes(v, n, f), camera_path_bytes(records));
    TestScreen screen;
    for (int frame = 0; frame < 20; ++frame) {
      g_demo.objectCentreY = int16_t(-100 + 10 * frame);
      for (auto step : {object_transform_vertices, object_rotate_normals, object_rotate_light,
                        object_build_face_list, object_sort_faces, object_shade_faces, object_paint_faces})
        step();
    }
    for (int i = 0; i < 320; ++i) ASSERT_EQ(screen.pixels[i], 0) << "model " << m;
    for (int i = 320 * 201; i < 320 * 400; ++i) ASSERT_EQ(screen.pixels[i], 0) << "model " << m;
  }
  load_object({}, {});
}

TEST(RandomModels, AModelThatDoesNotFitTheArraysShowsNothing) {
  std::vector<Triple> three(3), one(1);
  load_object(model_bytes(three, one, {TestFace{{0, 1, 3}, 0}}), {});   // vertex 3 of 3
  EXPECT_EQ(g_demo.faceCount, 0);
  load_object(model_bytes(std::vector<Triple>(801), one, {TestFace{{0, 1, 2}, 0}}), {});
  EXPECT_EQ(g_demo.vertexCount, 0);
  object_build_face_list();
  EXPECT_EQ(g_demo.faceListEnd, -2);
  load_object({}, {});
}

}  // namespace
