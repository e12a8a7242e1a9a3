// The object's frame steps against values worked out by hand (transform and projection, normals,
// light, sine tables, radix sort, shading, painting), models that do not fit or are random, and the
// generated object under the generated camera path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "tests/demo/demo_fixture.h"
#include "tools/content/content.h"

namespace {

DemoState& s = g_demo;

Ints ints(const int16_t* p, int n = 3) { return Ints(p, p + n); }

// A model of `faces` faces, face f on its own vertices 3f..3f+2, normals (0, 0, -256).
Bytes separate_faces(int faces) {
  std::vector<TestFace> list;
  for (uint16_t v = 0; v < 3 * faces; v += 3) list.push_back({{v, uint16_t(v + 1), uint16_t(v + 2)}});
  return model_bytes(std::vector<Triple>(3 * faces), std::vector<Triple>(faces, Triple{0, 0, -256}), list);
}

// Sets face f's screen triangle and its summed depth (all of it on the first vertex).
void place_face(int f, Triple a, Triple b, Triple c, int depthSum) {
  a[2] = int16_t(depthSum), b[2] = c[2] = 0;
  int v = 3 * f;
  for (const Triple* t : {&a, &b, &c}) std::memcpy(s.ScreenVertices[v++], t->data(), sizeof(Triple));
}

TEST(ObjectTransform, ProjectsVerticesWithAHandComputedPathRecord) {
  // Angles of 30, 45 and 90 degrees: (A, B) = (887, 512), (C, D) = (724, 724), (E, F) = (0, 1024).
  load_object(model_bytes({{100, 50, 30}, {10, -20, -390}, {100, -200, 30}}, {{0, 0, 256}}, {{{0, 1, 2}}}),
              camera_path_bytes({{10, -20, -400, 887, 512, 724, 724, 0, 1024}}));
  s.objectCentreY = 37;
  object_transform_vertices();
  // (100, 50, 30): d = (23040, 17920, 110080); x1 = 29611520 >> 10 = 28917, y1 = 4098560 >> 10 = 4002;
  // x2 = -58762012 >> 10 = -57385, Z = 100633828 >> 18 = 383; X = 4098048 >> 18 = 15, Y = 58762240 >> 18
  // = 224; x = 3840 / 383 + 160 = 170, y = (57344 / 383 = 149) * 5 / 6 + 37 = 161.
  EXPECT_EQ(ints(s.ScreenVertices[0]), (Ints{170, 161, 383}));
  // (10, -20, -390): ten units ahead of the camera, Z = 1853440 >> 18 = 7, projected at depth 60:
  // Y = 7, y = (1792 / 60 = 29) * 5 / 6 + 37 = 61; Z is stored as it is.
  EXPECT_EQ(ints(s.ScreenVertices[1]), (Ints{160, 61, 7}));
  // (100, -200, 30): X = -52669440 >> 18 = -201 (flooring), Z = 295; x = -51456 / 295 = -174
  // (truncating) + 160 = -14; Y = 312, y = (79872 / 295 = 270) * 5 / 6 + 37 = 262.
  EXPECT_EQ(ints(s.ScreenVertices[2]), (Ints{-14, 262, 295}));
  // The normal turns with the same record, every shift 10: (0, 0, 256) -> x2 = -181, z2 = 181, Y = 181.
  object_rotate_normals();
  EXPECT_EQ(ints(s.ViewNormals[0]), (Ints{0, 181, 181}));
  // Each step advances the background and the camera by one record; both wrap after 800.
  for (int step = 1, at = 1; step <= 800; object_transform_vertices(), at = ++step % 800)
    ASSERT_EQ((Ints{s.backgroundIndex, int(s.cameraPathCurrent - s.cameraPathStart)}), (Ints{at, at * 9}));
}

TEST(ObjectShade, FlooredSineTablesAFixedLightAndTheDotWithItOver2048ClampedAtZero) {
  const std::vector<TestFace> faces = {{{}, 32}, {{}, 64}, {{}, 96}};  // all on vertex 0
  load_object(model_bytes({{0, 0, 0}}, {{0, 0, -256}, {0, 0, 256}, {256, 0, 0}}, faces),
              camera_path_bytes({{0, 0, 0, 1024, 0, 1024, 0, 1024, 0}}));  // the identity
  object_transform_vertices(), object_rotate_normals(), object_rotate_light(), object_shade_faces();
  // Light at angles zero: 128 * 255 >> 8, (32640 >> 8 = 127) * 255 >> 8, -45900 >> 8 flooring.
  EXPECT_EQ((Ints{s.light[0], s.light[1], s.light[2]}), (Ints{127, 126, -180}));
  // 46080 >> 11; -46080 >> 11 < 0: the ramp's darkest; 32512 >> 11.
  EXPECT_EQ((Ints{s.FaceColour[0], s.FaceColour[1], s.FaceColour[2]}), (Ints{32 + 22, 64, 96 + 15}));
  for (int i = 0; i < kSineEntries; ++i) {
    // floor(255 sin) except at whole quarter turns, where the tables hold exact values.
    auto value = [i](double v) { return int(i % 256 ? std::floor(255 * v) : std::lround(255 * v)); };
    ASSERT_EQ(s.SineTable[i], value(std::sin(2 * M_PI * i / kSineEntries))) << i;
    ASSERT_EQ(s.CosineTable[i], value(std::cos(2 * M_PI * i / kSineEntries))) << i;
  }
}

// The face list is sorted by summed depth + 32000 (as 16 bits) with a stable radix sort;
// it is built from the last face down, so equal keys end in ascending face order.
TEST(ObjectSort, MatchesAStableSortOverManyFacesAndWrappingKeys) {
  for (int faces : {1, 4, 266}) {  // 266 faces: 798 vertices
    load_object(separate_faces(faces), {});
    s.FaceKeys[0] = 40000;  // a key left from before must not be used
    std::mt19937 random(7);
    std::vector<std::pair<uint16_t, uint16_t>> expected;  // (key, face offset)
    for (int f = 0; f < faces; ++f) {
      static const int kFour[4] = {500, 300, 500, 556};  // 556 has 300's low byte
      int depth = faces == 1 ? 20 : faces == 4 ? kFour[f] : int(random() % 65536) - 32768;
      if (faces > 4 && f % 5 == 0) depth = 1000 + f % 3;  // plenty of equal keys
      place_face(f, {}, {}, {}, depth);
      expected.push_back({uint16_t(depth + 32000), uint16_t(10 * f)});
    }
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
    object_build_face_list();
    ASSERT_EQ(s.faceListEnd, 2 * (faces - 1));
    object_sort_faces();
    for (int i = 0; i < faces; ++i)
      ASSERT_EQ(std::make_pair(s.FaceKeys[i], s.FaceList[i]), expected[i]) << faces << " faces, " << i;
  }
}

TEST(ObjectModel, AModelThatDoesNotFitTheArraysShowsNothing) {
  const std::vector<Triple> three(3), one(1);
  const Bytes models[] = {model_bytes(three, one, {{{0, 1, 3}}}),                      // vertex 3 of 3
                          model_bytes(three, one, {{{0, 1, 2}}, {{0, 1, 2}}}),         // a normal short
                          model_bytes(std::vector<Triple>(801), one, {{{0, 1, 2}}})};  // 801 vertices
  for (const Bytes& model : models) {
    load_object(model, {});
    object_build_face_list();
    EXPECT_EQ((Ints{s.vertexCount, s.normalCount, s.faceCount, s.faceListEnd}), (Ints{0, 0, 0, -2}));
  }
  load_object({}, {});
}

TEST(ObjectModel, RandomModelsAndPathsNeverPaintOutsideTheVisibleRows) {
  std::mt19937 random(97);
  auto value = [&](bool any, int half) { return int16_t(any ? random() : random() % (2 * half) - half); };
  for (int m = 0; m < 40; ++m) {  // every fourth with any coordinates, every fifth with bad references
    std::vector<Triple> v(1 + random() % 300), n(1 + random() % 300);
    std::vector<TestFace> f(n.size());
    std::vector<PathRecord> records(800);
    // clang-format off
    for (Triple& t : v) for (int16_t& c : t) c = value(m % 4 == 0, 300);
    for (Triple& t : n) for (int16_t& c : t) c = value(false, 256);
    for (TestFace& t : f) for (uint16_t& r : t.vertex) r = uint16_t(random() % (v.size() + (m % 5 == 1) * 3));
    for (TestFace& t : f) t.baseColour = uint8_t(random());
    for (PathRecord& r : records) for (int16_t& c : r) c = value(m % 3 == 0, 1024);
    // clang-format on
    load_object(model_bytes(v, n, f), camera_path_bytes(records));
    TestScreen screen;
    for (int frame = 0; frame < 20; ++frame) {
      s.objectCentreY = int16_t(-100 + 10 * frame);
      for (auto step : {object_transform_vertices, object_rotate_normals, object_rotate_light,
                        object_build_face_list, object_sort_faces, object_shade_faces, object_paint_faces})
        step();
    }
    for (int i = 0; i < 320 * 400; i += i == 319 ? 320 * 200 + 1 : 1) ASSERT_EQ(screen.pixels[i], 0) << m;
  }
  load_object({}, {});
}

TEST(ObjectPaint, OnlyFacesWithSummedDepth60To20000AreDrawnAndOutOfRangePointsClipped) {
  TestScreen screen;
  auto paint = [&screen](auto place) {  // four faces of colours 10 to 13 placed on a clean screen
    load_object(separate_faces(4), {});
    for (int f = 0; f < 4; ++f) s.FaceColour[f] = uint8_t(10 + f);
    screen.pixels.assign(320 * 400, 0), screen.attach();
    place();
    for (auto step : {object_build_face_list, object_sort_faces, object_paint_faces}) step();
  };
  paint([] {
    const int depths[4] = {59, 60, 20000, 20001};
    for (int16_t f = 0, x = 20; f < 4; ++f, x += 40)
      place_face(f, {x, 10}, {int16_t(x + 30), 10}, {x, 40}, depths[f]);
  });
  EXPECT_EQ((Ints{screen.at(12, 22), screen.at(12, 62), screen.at(12, 102), screen.at(12, 142)}),
            (Ints{0, 11, 12, 0}));
  paint([] {  // rows above row 1, columns past 320, a vertex on row 0, columns left of 0: no overflow
    place_face(0, {-500, -30}, {800, -30}, {160, 60}, 1000);
    place_face(1, {10, 0}, {50, 0}, {10, 40}, 2000);
    place_face(2, {-50, 100}, {50, 100}, {-50, 140}, 3000);
  });
  for (int x = 0; x < 320; ++x) ASSERT_EQ((Ints{screen.at(0, x), screen.at(1, x)}), (Ints{0, 10})) << x;
  EXPECT_EQ((Ints{screen.at(61, 160), screen.at(99, 300), screen.at(100, 0)}), (Ints{0, 0, 12}));
}

// The generated object, read by the engine: it fits the arrays, with normals of length 256 on
// faces of their own, centred on the origin where the camera looks, its faces in the four ramps.
TEST(GeneratedObject, FitsWithUnitNormalsOnItsFacesCentredAndInTheFourRamps) {
  const Bytes model = build_object_model();
  load_object(model, {});
  const int nv = s.vertexCount, nf = s.faceCount;  // 0 when the reader refuses the model
  ASSERT_TRUE(nf > 100 && s.normalCount == nf) << nf;
  EXPECT_EQ(model.size(), 10u + 18 * nv + 16 * nf) << "header, lists and the two spare arrays";
  EXPECT_LE(model.size(), kObjectModelSize);
  auto vertex = [](int v, int k) { return double(int16_t(load_le16(s.objectVertices + 6 * v + 2 * k))); };
  for (int k = 0; k < 3; ++k) {
    double lo = 1e9, hi = -1e9;
    for (int v = 0; v < nv; ++v) lo = std::min(lo, vertex(v, k)), hi = std::max(hi, vertex(v, k));
    EXPECT_LE(std::fabs(lo + hi), 2) << "axis " << k;
  }
  std::set<int> ramps;
  for (int f = 0; f < nf; ++f) {
    const uint8_t* face = s.objectFaces + 10 * f;
    double n[3], u[3], w[3];
    for (int k = 0; k < 3; ++k) {
      n[k] = int16_t(load_le16(s.objectNormals + 6 * f + 2 * k));
      int a = load_le16(face) / 6, b = load_le16(face + 2) / 6, c = load_le16(face + 4) / 6;
      u[k] = vertex(b, k) - vertex(a, k), w[k] = vertex(c, k) - vertex(a, k);
    }
    const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const double area2 = std::hypot(cross[0], cross[1], cross[2]);
    EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 256.0, 1.0) << "face " << f;
    EXPECT_GT(area2, 50.0) << "degenerate face " << f;
    EXPECT_GT(std::fabs(cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2]) / (area2 * 256), 0.99) << f;
    EXPECT_TRUE(face[6] % 32 == 0 && face[6] < 128) << "face " << f << " colour " << int(face[6]);
    ramps.insert(face[6]);
  }
  EXPECT_EQ(ramps.size(), 4u);
  load_object({}, {});
}

// The generated camera path with that object: unit angle pairs, smooth also across the wrap, and in
// every record every face drawn, the object framed and its shading inside each face's ramp.
TEST(GeneratedObject, TheCameraPathIsSmoothAndKeepsTheObjectFramedAndShaded) {
  const Bytes path = build_camera_path();
  ASSERT_EQ(path.size(), kCameraPathSize);
  load_object(build_object_model(), path);
  int wideFrames = 0;
  for (int r = 0; r < 800; ++r) {
    const int16_t *c = s.cameraPathCurrent, *next = s.cameraPathStart + 9 * ((r + 1) % 800);
    for (int pair = 3; pair < 9; pair += 2) EXPECT_NEAR(std::hypot(c[pair], c[pair + 1]), 1024.0, 1.5) << r;
    EXPECT_LT(std::hypot(next[0] - c[0], next[1] - c[1], next[2] - c[2]), 25.0) << "record " << r;
    for (int k = 3; k < 9; ++k) EXPECT_LE(std::abs(next[k] - c[k]), 40) << "record " << r;
    s.objectCentreY = 100;
    for (auto step : {object_transform_vertices, object_rotate_normals, object_rotate_light,
                      object_build_face_list, object_sort_faces, object_shade_faces})
      step();
    int minX = 1 << 20, maxX = -minX, minY = minX, maxY = maxX;
    for (int v = 0; v < s.vertexCount; ++v) {
      minX = std::min<int>(minX, s.ScreenVertices[v][0]), maxX = std::max<int>(maxX, s.ScreenVertices[v][0]);
      minY = std::min<int>(minY, s.ScreenVertices[v][1]), maxY = std::max<int>(maxY, s.ScreenVertices[v][1]);
    }
    EXPECT_GT(std::max(maxX - minX, maxY - minY), 80) << "record " << r;
    EXPECT_LT(maxX - minX, 420) << "record " << r;
    EXPECT_NEAR((minX + maxX) / 2, 160, 60) << "record " << r;
    EXPECT_NEAR((minY + maxY) / 2, 100, 50) << "record " << r;
    wideFrames += maxX - minX > 150;
    for (int f = 0; f < s.faceCount; ++f) {  // summed depth 60..20000, shades 0..31 above the ramp
      ASSERT_TRUE(s.FaceKeys[f] >= 32060 && s.FaceKeys[f] <= 52000)
          << "record " << r << " key " << s.FaceKeys[f];
      ASSERT_LE(uint8_t(s.FaceColour[f] - s.objectFaces[10 * f + 6]), 31) << "record " << r << " face " << f;
    }
  }
  EXPECT_GT(wideFrames, 200) << "the object should fill a good part of the screen";
  load_object({}, {});
}

}  // namespace
