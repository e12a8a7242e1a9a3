#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "base/asset_image.h"
#include "demo/demo_state.h"
#include "demo/object.h"
#include "tests/demo/fake_shell.h"
#include "tests/demo/test_model.h"

namespace {

int16_t* camera_path() { return reinterpret_cast<int16_t*>(AssetImage + kCameraPathOffset); }

// Fresh state with a model and a camera path in place, as the run start leaves them.
void prepare(const std::vector<uint8_t>& model, const std::vector<uint8_t>& camera) {
  reset_demo_state();
  set_demo_region(kObjectModelOffset, model);
  set_demo_region(kCameraPathOffset, camera);
  DemoState& s = g_demo;
  s.cameraPathStart = s.cameraPathCurrent = camera_path();
  s.cameraPathEnd = camera_path() + 800 * kCameraRecordWords;
  object_read_header();
}

// A model of `faces` faces, face f on its own vertices 3f..3f+2, normals (0, 0, -256).
std::vector<uint8_t> separate_faces(int faces) {
  std::vector<Triple> vertices(3 * faces, Triple{0, 0, 0}), normals(faces, Triple{0, 0, -256});
  std::vector<TestFace> list;
  for (int f = 0; f < faces; ++f)
    list.push_back(TestFace{{static_cast<uint16_t>(3 * f), static_cast<uint16_t>(3 * f + 1), static_cast<uint16_t>(3 * f + 2)}, 0});
  return model_bytes(vertices, normals, list);
}

// Sets face f's screen triangle and its summed depth (all of it on the first vertex).
void place_face(int f, Triple a, Triple b, Triple c, int depthSum) {
  DemoState& s = g_demo;
  const Triple points[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    s.ScreenVertices[3 * f + k][0] = points[k][0];
    s.ScreenVertices[3 * f + k][1] = points[k][1];
    s.ScreenVertices[3 * f + k][2] = static_cast<int16_t>(k == 0 ? depthSum : 0);
  }
}

TEST(ObjectTransform, ProjectsVerticesWithAHandComputedCameraRecord) {
  // Angles of 30, 45 and 90 degrees: (A, B) = (887, 512), (C, D) = (724, 724), (E, F) = (0, 1024).
  std::vector<Triple> vertices = {{100, 50, 30}, {10, -20, -390}, {100, -200, 30}};
  std::vector<uint8_t> model = model_bytes(vertices, {{0, 0, 256}}, {TestFace{{0, 1, 2}, 32}});
  prepare(model, camera_path_bytes({{10, -20, -400, 887, 512, 724, 724, 0, 1024}}));
  DemoState& s = g_demo;
  s.objectCentreY = 37;
  object_transform_vertices();

  // (100, 50, 30): d = (23040, 17920, 110080); x1 = 29611520 >> 10 = 28917, y1 = 4098560 >> 10
  // = 4002; x2 = -58762012 >> 10 = -57385, Z = 100633828 >> 18 = 383; X = 4098048 >> 18 = 15,
  // Y = 58762240 >> 18 = 224; x = 3840 / 383 + 160 = 170, y = (57344 / 383 = 149) * 5 / 6 + 37 = 161.
  EXPECT_EQ(s.ScreenVertices[0][0], 170);
  EXPECT_EQ(s.ScreenVertices[0][1], 161);
  EXPECT_EQ(s.ScreenVertices[0][2], 383);
  // (10, -20, -390): ten units ahead of the camera, Z = 1853440 >> 18 = 7, projected at depth 60:
  // Y = 7, y = (1792 / 60 = 29) * 5 / 6 + 37 = 61; Z is stored as it is.
  EXPECT_EQ(s.ScreenVertices[1][0], 160);
  EXPECT_EQ(s.ScreenVertices[1][1], 61);
  EXPECT_EQ(s.ScreenVertices[1][2], 7);
  // (100, -200, 30): X = -52669440 >> 18 = -201 (flooring), Z = 295; x = -51456 / 295 = -174
  // (truncating) + 160 = -14; Y = 312, y = (79872 / 295 = 270) * 5 / 6 + 37 = 262.
  EXPECT_EQ(s.ScreenVertices[2][0], -14);
  EXPECT_EQ(s.ScreenVertices[2][1], 262);
  EXPECT_EQ(s.ScreenVertices[2][2], 295);

  // The normal turns with the same record, every shift 10: (0, 0, 256) -> x2 = -181, z2 = 181,
  // Y = 185344 >> 10 = 181.
  object_rotate_normals();
  EXPECT_EQ(s.ViewNormals[0][0], 0);
  EXPECT_EQ(s.ViewNormals[0][1], 181);
  EXPECT_EQ(s.ViewNormals[0][2], 181);

  // The step advanced the background and the camera by one record each.
  EXPECT_EQ(s.backgroundIndex, 1);
  EXPECT_EQ(s.cameraPathCurrent, camera_path() + kCameraRecordWords);
}

TEST(ObjectTransform, CameraAndBackgroundPathsWrapAfter800Steps) {
  prepare(separate_faces(1), camera_path_bytes({}));
  DemoState& s = g_demo;
  for (int i = 0; i < 799; ++i) object_transform_vertices();
  EXPECT_EQ(s.backgroundIndex, 799);
  EXPECT_EQ(s.cameraPathCurrent, camera_path() + 799 * kCameraRecordWords);
  object_transform_vertices();
  EXPECT_EQ(s.backgroundIndex, 0);
  EXPECT_EQ(s.cameraPathCurrent, camera_path());
}

TEST(ObjectLight, AnglesZeroGiveTheFixedViewSpaceLight) {
  reset_demo_state();
  object_rotate_light();
  EXPECT_EQ(g_demo.light[0], 127);   // 128 * 255 >> 8
  EXPECT_EQ(g_demo.light[1], 126);   // (32640 >> 8 = 127) * 255 >> 8
  EXPECT_EQ(g_demo.light[2], -180);  // -45900 >> 8, flooring
}

TEST(ObjectLight, SineAndCosineTablesAreFlooredTimes255) {
  const DemoState& s = g_demo;
  for (int i = 0; i < kSineEntries; ++i) {
    double angle = 2 * M_PI * i / kSineEntries;
    if (i % 256) {   // whole multiples of a quarter turn are exact below
      ASSERT_EQ(s.SineTable[i], std::floor(255 * std::sin(angle))) << i;
      ASSERT_EQ(s.CosineTable[i], std::floor(255 * std::cos(angle))) << i;
    }
  }
  EXPECT_EQ(s.SineTable[0], 0);
  EXPECT_EQ(s.SineTable[256], 255);
  EXPECT_EQ(s.SineTable[512], 0);
  EXPECT_EQ(s.SineTable[768], -255);
  EXPECT_EQ(s.CosineTable[0], 255);
  EXPECT_EQ(s.CosineTable[512], -255);
  EXPECT_EQ(s.SineTable[1], 1);       // 1.56..
  EXPECT_EQ(s.SineTable[1023], -2);   // -1.56..
}

TEST(ObjectSort, AscendingKeysWithEqualKeysInAscendingFaceOrder) {
  prepare(separate_faces(4), camera_path_bytes({}));
  const Triple p{0, 0, 0};
  place_face(0, p, p, p, 500);
  place_face(1, p, p, p, 300);
  place_face(2, p, p, p, 500);
  place_face(3, p, p, p, 556);   // same low byte as 300
  object_build_face_list();
  DemoState& s = g_demo;
  ASSERT_EQ(s.faceListEnd, 6);
  EXPECT_EQ(s.FaceList[0], 30);   // built from the last face down
  object_sort_faces();
  const uint16_t faces[4] = {10, 0, 20, 30};
  const uint16_t keys[4] = {32300, 32500, 32500, 32556};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.FaceList[i], faces[i]) << i;
    EXPECT_EQ(s.FaceKeys[i], keys[i]) << i;
  }
}

TEST(ObjectSort, MatchesAStableSortOverManyFacesAndWrappingKeys) {
  const int faces = 266;   // 798 vertices
  prepare(separate_faces(faces), camera_path_bytes({}));
  std::mt19937 random(7);
  std::vector<std::pair<uint16_t, uint16_t>> expected;   // (key, face offset)
  const Triple p{0, 0, 0};
  for (int f = 0; f < faces; ++f) {
    int depth = static_cast<int>(random() % 65536) - 32768;
    if (f % 5 == 0) depth = 1000 + f % 3;   // plenty of equal keys
    place_face(f, p, p, p, depth);
    expected.push_back({static_cast<uint16_t>(depth + 32000), static_cast<uint16_t>(10 * f)});
  }
  std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
  object_build_face_list();
  object_sort_faces();
  for (int i = 0; i < faces; ++i) {
    ASSERT_EQ(g_demo.FaceKeys[i], expected[i].first) << i;
    ASSERT_EQ(g_demo.FaceList[i], expected[i].second) << i;
  }
}

TEST(ObjectSort, ASingleFaceStillGetsItsKey) {
  prepare(separate_faces(1), camera_path_bytes({}));
  DemoState& s = g_demo;
  s.FaceKeys[0] = 40000;   // a key left from before must not be used
  const Triple p{0, 0, 0};
  place_face(0, p, p, p, 20);
  object_build_face_list();
  EXPECT_EQ(s.faceListEnd, 0);
  object_sort_faces();
  EXPECT_EQ(s.FaceKeys[0], 32020);
  EXPECT_EQ(s.FaceList[0], 0);
}

TEST(ObjectShade, DotWithTheLightOver2048ClampedAtZero) {
  std::vector<Triple> normals = {{0, 0, -256}, {0, 0, 256}, {256, 0, 0}};
  std::vector<TestFace> faces = {{{0, 0, 0}, 32}, {{0, 0, 0}, 64}, {{0, 0, 0}, 96}};
  prepare(model_bytes({{0, 0, 0}}, normals, faces), camera_path_bytes({{0, 0, 0, 1024, 0, 1024, 0, 1024, 0}}));
  object_transform_vertices();
  object_rotate_normals();   // the identity record leaves them as they are
  object_rotate_light();
  object_shade_faces();
  EXPECT_EQ(g_demo.FaceColour[0], 32 + 22);   // 46080 >> 11
  EXPECT_EQ(g_demo.FaceColour[1], 64);        // -46080 >> 11 < 0: the ramp's darkest
  EXPECT_EQ(g_demo.FaceColour[2], 96 + 15);   // 32512 >> 11
}

class ObjectPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    prepare(separate_faces(4), camera_path_bytes({}));
    screen.assign(320 * 400, 0);
    g_demo.workScreen = screen.data();
    for (int f = 0; f < 4; ++f) g_demo.FaceColour[f] = static_cast<uint8_t>(10 + f);
  }
  void paint() {
    object_build_face_list();
    object_sort_faces();
    object_paint_faces();
  }
  uint8_t at(int row, int column) const { return screen[320 * row + column]; }
  std::vector<uint8_t> screen;
};

TEST_F(ObjectPaint, OnlyFacesWithSummedDepth60To20000AreDrawn) {
  auto square_at = [](int f, int depth) { place_face(f, {int16_t(20 + 40 * f), 10, 0}, {int16_t(50 + 40 * f), 10, 0}, {int16_t(20 + 40 * f), 40, 0}, depth); };
  square_at(0, 59);
  square_at(1, 60);
  square_at(2, 20000);
  square_at(3, 20001);
  paint();
  EXPECT_EQ(at(12, 22), 0);
  EXPECT_EQ(at(12, 62), 11);
  EXPECT_EQ(at(12, 102), 12);
  EXPECT_EQ(at(12, 142), 0);
}

TEST_F(ObjectPaint, NearerFacesCoverFartherOnesAndEqualKeysLeaveTheFirstFaceOnTop) {
  const Triple a{10, 10, 0}, b{100, 10, 0}, c{10, 100, 0};
  place_face(0, a, b, c, 900);
  place_face(1, a, b, c, 500);   // nearest: painted last
  place_face(2, a, b, c, 900);
  paint();
  EXPECT_EQ(at(20, 20), 11);
  place_face(1, a, b, c, 900);
  paint();
  EXPECT_EQ(at(20, 20), 10);   // faces 0, 1, 2 tie: painted 2, 1, 0
}

TEST_F(ObjectPaint, OutOfRangePointsTakeTheClippingFillers) {
  // Rows above row 1 and columns past 320: the guard row and the neighbouring rows stay clean.
  place_face(0, {-500, -30, 0}, {800, -30, 0}, {160, 60, 0}, 1000);
  paint();
  for (int x = 0; x < 320; ++x) ASSERT_EQ(at(0, x), 0) << x;
  for (int x = 0; x < 320; ++x) ASSERT_EQ(at(1, x), 10) << x;
  EXPECT_EQ(at(61, 160), 0);
}

}  // namespace
