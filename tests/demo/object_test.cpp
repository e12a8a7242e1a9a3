// The object's frame steps against values worked out by hand: vertex transform and
// projection, normals, light, sine tables, the radix sort, shading and painting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "base/asset_image.h"
#include "demo/demo_state.h"
#include "demo/object.h"
#include "tests/demo/demo_fixture.h"

namespace {

const int16_t* camera_path() { return reinterpret_cast<const int16_t*>(AssetImage + kCameraPathOffset); }

Triple screen_vertex(int v) {
  const int16_t* p = g_demo.ScreenVertices[v];
  return {p[0], p[1], p[2]};
}

// A model of `faces` faces, face f on its own vertices 3f..3f+2, normals (0, 0, -256).
Bytes separate_faces(int faces) {
  std::vector<TestFace> list;
  for (int f = 0; f < faces; ++f)
    list.push_back({{uint16_t(3 * f), uint16_t(3 * f + 1), uint16_t(3 * f + 2)}, 0});
  return model_bytes(std::vector<Triple>(3 * faces), std::vector<Triple>(faces, Triple{0, 0, -256}), list);
}

// Sets face f's screen triangle and its summed depth (all of it on the first vertex).
void place_face(int f, Triple a, Triple b, Triple c, int depthSum) {
  const Triple points[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    int16_t* v = g_demo.ScreenVertices[3 * f + k];
    v[0] = points[k][0], v[1] = points[k][1], v[2] = int16_t(k == 0 ? depthSum : 0);
  }
}

TEST(ObjectTransform, ProjectsVerticesWithAHandComputedPathRecord) {
  // Angles of 30, 45 and 90 degrees: (A, B) = (887, 512), (C, D) = (724, 724), (E, F) = (0, 1024).
  std::vector<Triple> vertices = {{100, 50, 30}, {10, -20, -390}, {100, -200, 30}};
  load_object(model_bytes(vertices, {{0, 0, 256}}, {TestFace{{0, 1, 2}, 32}}),
              camera_path_bytes({{10, -20, -400, 887, 512, 724, 724, 0, 1024}}));
  DemoState& s = g_demo;
  s.objectCentreY = 37;
  object_transform_vertices();
  // (100, 50, 30): d = (23040, 17920, 110080); x1 = 29611520 >> 10 = 28917, y1 = 4098560 >> 10
  // = 4002; x2 = -58762012 >> 10 = -57385, Z = 100633828 >> 18 = 383; X = 4098048 >> 18 = 15,
  // Y = 58762240 >> 18 = 224; x = 3840 / 383 + 160 = 170, y = (57344 / 383 = 149) * 5 / 6 + 37 = 161.
  EXPECT_EQ(screen_vertex(0), (Triple{170, 161, 383}));
  // (10, -20, -390): ten units ahead of the camera, Z = 1853440 >> 18 = 7, projected at depth 60:
  // Y = 7, y = (1792 / 60 = 29) * 5 / 6 + 37 = 61; Z is stored as it is.
  EXPECT_EQ(screen_vertex(1), (Triple{160, 61, 7}));
  // (100, -200, 30): X = -52669440 >> 18 = -201 (flooring), Z = 295; x = -51456 / 295 = -174
  // (truncating) + 160 = -14; Y = 312, y = (79872 / 295 = 270) * 5 / 6 + 37 = 262.
  EXPECT_EQ(screen_vertex(2), (Triple{-14, 262, 295}));
  // The normal turns with the same record, every shift 10: (0, 0, 256) -> x2 = -181, z2 = 181,
  // Y = 185344 >> 10 = 181.
  object_rotate_normals();
  EXPECT_EQ((Triple{s.ViewNormals[0][0], s.ViewNormals[0][1], s.ViewNormals[0][2]}), (Triple{0, 181, 181}));

  // The step advanced the background and the camera by one record each; both wrap after 800.
  EXPECT_EQ(s.backgroundIndex, 1);
  EXPECT_EQ(s.cameraPathCurrent, camera_path() + kCameraRecordWords);
  for (int step = 1; step < 799; ++step) object_transform_vertices();
  EXPECT_EQ(s.backgroundIndex, 799);
  EXPECT_EQ(s.cameraPathCurrent, camera_path() + 799 * kCameraRecordWords);
  object_transform_vertices();
  EXPECT_EQ(s.backgroundIndex, 0);
  EXPECT_EQ(s.cameraPathCurrent, camera_path());
}

TEST(ObjectLight, FixedViewSpaceLightAndFlooredSineTables) {
  reset_demo_state();
  object_rotate_light();   // angles zero
  // 128 * 255 >> 8, (32640 >> 8 = 127) * 255 >> 8, -45900 >> 8 flooring.
  EXPECT_EQ((Ints{g_demo.light[0], g_demo.light[1], g_demo.light[2]}), (Ints{127, 126, -180}));
  const DemoState& s = g_demo;
  for (int i = 0; i < kSineEntries; ++i) {
    double angle = 2 * M_PI * i / kSineEntries;
    // floor(255 sin) except at whole quarter turns, where the tables hold exact values.
    auto value = [i](double v) { return int(i % 256 ? std::floor(255 * v) : std::lround(255 * v)); };
    ASSERT_EQ(s.SineTable[i], value(std::sin(angle))) << i;
    ASSERT_EQ(s.CosineTable[i], value(std::cos(angle))) << i;
  }
}

// The face list is sorted by summed depth + 32000 (as 16 bits) with a stable radix sort;
// it is built from the last face down, so equal keys end in ascending face order.
TEST(ObjectSort, MatchesAStableSortOverManyFacesAndWrappingKeys) {
  for (int faces : {1, 4, 266}) {   // 266 faces: 798 vertices
    load_object(separate_faces(faces), {});
    g_demo.FaceKeys[0] = 40000;   // a key left from before must not be used
    std::mt19937 random(7);
    std::vector<std::pair<uint16_t, uint16_t>> expected;   // (key, face offset)
    for (int f = 0; f < faces; ++f) {
      static const int kFour[4] = {500, 300, 500, 556};   // 556 has 300's low byte
      int depth = faces == 1 ? 20 : faces == 4 ? kFour[f] : int(random() % 65536) - 32768;
      if (faces > 4 && f % 5 == 0) depth = 1000 + f % 3;   // plenty of equal keys
      place_face(f, {}, {}, {}, depth);
      expected.push_back({uint16_t(depth + 32000), uint16_t(10 * f)});
    }
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
    object_build_face_list();
    ASSERT_EQ(g_demo.faceListEnd, 2 * (faces - 1));
    object_sort_faces();
    for (int i = 0; i < faces; ++i) {
      ASSERT_EQ(g_demo.FaceKeys[i], expected[i].first) << faces << " faces, " << i;
      ASSERT_EQ(g_demo.FaceList[i], expected[i].second) << faces << " faces, " << i;
    }
  }
}

TEST(ObjectShade, DotWithTheLightOver2048ClampedAtZero) {
  std::vector<Triple> normals = {{0, 0, -256}, {0, 0, 256}, {256, 0, 0}};
  std::vector<TestFace> faces = {{{0, 0, 0}, 32}, {{0, 0, 0}, 64}, {{0, 0, 0}, 96}};
  load_object(model_bytes({{0, 0, 0}}, normals, faces),
              camera_path_bytes({{0, 0, 0, 1024, 0, 1024, 0, 1024, 0}}));   // the identity
  object_transform_vertices();
  object_rotate_normals();
  object_rotate_light();
  object_shade_faces();
  // 46080 >> 11; -46080 >> 11 < 0: the ramp's darkest; 32512 >> 11.
  EXPECT_EQ((Ints{g_demo.FaceColour[0], g_demo.FaceColour[1], g_demo.FaceColour[2]}),
            (Ints{32 + 22, 64, 96 + 15}));
}

struct ObjectPaint : ::testing::Test {
  void SetUp() override {
    load_object(separate_faces(4), {});
    screen.attach();
    for (int f = 0; f < 4; ++f) g_demo.FaceColour[f] = uint8_t(10 + f);
  }
  void paint() {
    object_build_face_list();
    object_sort_faces();
    object_paint_faces();
  }
  TestScreen screen;
};

TEST_F(ObjectPaint, OnlyFacesWithSummedDepth60To20000AreDrawn) {
  const int depths[4] = {59, 60, 20000, 20001};
  for (int f = 0; f < 4; ++f)
    place_face(f, {int16_t(20 + 40 * f), 10, 0}, {int16_t(50 + 40 * f), 10, 0}, {int16_t(20 + 40 * f), 40, 0},
               depths[f]);
  paint();
  EXPECT_EQ((Ints{screen.at(12, 22), screen.at(12, 62), screen.at(12, 102), screen.at(12, 142)}),
            (Ints{0, 11, 12, 0}));
}

TEST_F(ObjectPaint, NearerFacesCoverFartherOnesAndEqualKeysLeaveTheFirstFaceOnTop) {
  const Triple a{10, 10, 0}, b{100, 10, 0}, c{10, 100, 0};
  place_face(0, a, b, c, 900);
  place_face(1, a, b, c, 500);   // nearest: painted last
  place_face(2, a, b, c, 900);
  paint();
  EXPECT_EQ(screen.at(20, 20), 11);
  place_face(1, a, b, c, 900);
  paint();
  EXPECT_EQ(screen.at(20, 20), 10);   // faces 0, 1, 2 tie: painted 2, 1, 0
}

TEST_F(ObjectPaint, OutOfRangePointsTakeTheClippingFillers) {
  // Rows above row 1 and columns past 320: the guard row and the neighbouring rows stay clean.
  place_face(0, {-500, -30, 0}, {800, -30, 0}, {160, 60, 0}, 1000);
  paint();
  for (int x = 0; x < 320; ++x) ASSERT_EQ(screen.at(0, x), 0) << x;
  for (int x = 0; x < 320; ++x) ASSERT_EQ(screen.at(1, x), 10) << x;
  EXPECT_EQ(screen.at(61, 160), 0);
}

}  // namespace
