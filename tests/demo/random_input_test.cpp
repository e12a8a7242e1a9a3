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
#include "tests/demo/fake_shell.h"
#include "tests/demo/test_model.h"

namespace {

constexpr uint8_t kColour = 200;

struct Box {
  int top, bottom, left, right;   // inclusive
};

// Every filled pixel lies in `box`; returns how many there are and clears them.
int check_and_clear(std::vector<uint8_t>& screen, Box box) {
  int n = 0;
  for (int i = 0; i < static_cast<int>(screen.size()); ++i) {
    if (screen[i] != kColour) continue;
    int row = i / 320, column = i % 320;
    EXPECT_TRUE(row >= box.top && row <= box.bottom && column >= box.left && column <= box.right)
        << "row " << row << " column " << column;
    screen[i] = 0;
    ++n;
  }
  return n;
}

TEST(RandomTriangles, PaintOnlyInsideTheirBoxAndTheVisibleRows) {
  reset_demo_state();
  std::vector<uint8_t> screen(320 * 400, 0);
  g_demo.workScreen = screen.data();
  std::mt19937 random(1997);
  int drawn = 0;
  for (int i = 0; i < 6000; ++i) {
    const int kind = i % 3;   // inside, rows outside, anything
    TrianglePoint p[3];
    for (TrianglePoint& q : p) {
      if (kind == 2 && i % 6 == 2) {
        q.x = static_cast<int16_t>(random());
        q.y = static_cast<int16_t>(random());
      } else {
        q.x = static_cast<int16_t>(kind == 2 ? int(random() % 1400) - 540 : int(random() % 321));
        q.y = static_cast<int16_t>(kind == 0 ? 1 + int(random() % 200) : int(random() % 900) - 350);
      }
    }
    g_demo.triangle = TriangleSetup{{p[0], p[1], p[2]}, kColour};
    if (kind == 0)
      fill_triangle();
    else if (kind == 1)
      fill_triangle_clip_rows();
    else
      fill_triangle_clip_all();
    Box box{std::max<int>(1, std::min({p[0].y, p[1].y, p[2].y})), std::min<int>(200, std::max({p[0].y, p[1].y, p[2].y})),
            std::max<int>(0, std::min({p[0].x, p[1].x, p[2].x})), std::min<int>(319, std::max({p[0].x, p[1].x, p[2].x}))};
    drawn += check_and_clear(screen, box);
    if (::testing::Test::HasFailure()) FAIL() << "triangle " << i;
  }
  EXPECT_GT(drawn, 0);
}

TEST(RandomModels, PreparingAndPaintingNeverLeavesTheVisibleRows) {
  std::mt19937 random(97);
  std::vector<uint8_t> screen(320 * 400, 0);
  for (int m = 0; m < 40; ++m) {
    int vertices = 1 + random() % 300, faces = 1 + random() % 300;
    std::vector<Triple> v(vertices), n(faces);
    for (Triple& t : v)
      for (int16_t& c : t) c = static_cast<int16_t>(m % 4 == 0 ? random() : random() % 600 - 300);
    for (Triple& t : n)
      for (int16_t& c : t) c = static_cast<int16_t>(random() % 512 - 256);
    std::vector<TestFace> f(faces);
    for (TestFace& face : f) {
      for (uint16_t& r : face.vertex) r = static_cast<uint16_t>(random() % (m % 5 == 1 ? vertices + 3 : vertices));
      face.baseColour = static_cast<uint8_t>(random());
    }
    std::vector<std::array<int16_t, 9>> records(800);
    for (auto& r : records)
      for (int16_t& c : r) c = static_cast<int16_t>(m % 3 == 0 ? random() : random() % 2048 - 1024);

    reset_demo_state();
    set_demo_region(kObjectModelOffset, model_bytes(v, n, f));
    set_demo_region(kCameraPathOffset, camera_path_bytes(records));
    DemoState& s = g_demo;
    s.workScreen = screen.data();
    s.cameraPathStart = s.cameraPathCurrent = reinterpret_cast<int16_t*>(AssetImage + kCameraPathOffset);
    s.cameraPathEnd = s.cameraPathStart + 800 * kCameraRecordWords;
    object_read_header();
    for (int frame = 0; frame < 20; ++frame) {
      s.objectCentreY = static_cast<int16_t>(-100 + 10 * frame);
      object_transform_vertices();
      object_rotate_normals();
      object_rotate_light();
      object_build_face_list();
      object_sort_faces();
      object_shade_faces();
      object_paint_faces();
    }
    for (int i = 0; i < 320; ++i) ASSERT_EQ(screen[i], 0) << "model " << m;
    for (int i = 320 * 201; i < 320 * 400; ++i) ASSERT_EQ(screen[i], 0) << "model " << m;
  }
  set_demo_region(kObjectModelOffset, std::vector<uint8_t>(kObjectModelSize, 0));
  set_demo_region(kCameraPathOffset, std::vector<uint8_t>(kCameraPathSize, 0));
}

TEST(RandomModels, AModelThatDoesNotFitTheArraysShowsNothing) {
  reset_demo_state();
  std::vector<Triple> v(3, Triple{0, 0, 0}), n(1, Triple{0, 0, 0});
  set_demo_region(kObjectModelOffset, model_bytes(v, n, {TestFace{{0, 1, 3}, 0}}));   // vertex 3 of 3
  object_read_header();
  EXPECT_EQ(g_demo.faceCount, 0);
  std::vector<uint8_t> big = model_bytes(std::vector<Triple>(801, Triple{0, 0, 0}), n, {TestFace{{0, 1, 2}, 0}});
  big.resize(kObjectModelSize);
  set_demo_region(kObjectModelOffset, big);
  object_read_header();
  EXPECT_EQ(g_demo.vertexCount, 0);
  object_build_face_list();
  EXPECT_EQ(g_demo.faceListEnd, -2);
  set_demo_region(kObjectModelOffset, std::vector<uint8_t>(kObjectModelSize, 0));
}

}  // namespace
