#include "tests/demo/test_model.h"

#include "base/asset_image.h"
#include "demo/demo_state.h"

namespace {

void put16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

std::vector<uint8_t> model_bytes(const std::vector<Triple>& vertices, const std::vector<Triple>& normals,
                                 const std::vector<TestFace>& faces) {
  std::vector<uint8_t> out;
  put16(out, 0);
  put16(out, 0);
  put16(out, 6 * (static_cast<int>(vertices.size()) - 1));
  put16(out, 6 * (static_cast<int>(normals.size()) - 1));
  put16(out, 10 * (static_cast<int>(faces.size()) - 1));
  for (const Triple& v : vertices)
    for (int16_t c : v) put16(out, c);
  for (const Triple& n : normals)
    for (int16_t c : n) put16(out, c);
  for (const TestFace& f : faces) {
    for (uint16_t v : f.vertex) put16(out, 6 * v);
    out.push_back(f.baseColour);
    out.insert(out.end(), 3, 0);
  }
  out.resize(kObjectModelSize, 0);
  return out;
}

std::vector<uint8_t> camera_path_bytes(const std::vector<std::array<int16_t, 9>>& records) {
  std::vector<uint8_t> out;
  for (const auto& r : records)
    for (int16_t v : r) put16(out, v);
  out.resize(kCameraPathSize, 0);
  return out;
}

std::vector<uint8_t> octahedron_model() {
  const int16_t r = 150, n = 148;
  std::vector<Triple> vertices = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
  std::vector<Triple> normals;
  std::vector<TestFace> faces;
  for (int f = 0; f < 8; ++f) {
    int sx = f & 1, sy = (f >> 1) & 1, sz = (f >> 2) & 1;
    faces.push_back(TestFace{{static_cast<uint16_t>(sx), static_cast<uint16_t>(2 + sy), static_cast<uint16_t>(4 + sz)},
                             static_cast<uint8_t>(32 * (f % 4))});
    normals.push_back(Triple{static_cast<int16_t>(sx ? -n : n), static_cast<int16_t>(sy ? -n : n),
                             static_cast<int16_t>(sz ? -n : n)});
  }
  return model_bytes(vertices, normals, faces);
}

std::vector<uint8_t> orbit_camera_path() {
  // The first angle turns the camera around the object, the second (90 degrees) makes
  // the first turn's axis the view direction, the third rolls the view.
  const DemoState& s = g_demo;
  std::vector<std::array<int16_t, 9>> records;
  for (int i = 0; i < 800; ++i) {
    int turn = (i * kSineEntries / 800) & (kSineEntries - 1);
    int roll = (i * 3 * kSineEntries / 800) & (kSineEntries - 1);
    int c = s.CosineTable[turn] * 4, sn = s.SineTable[turn] * 4;
    records.push_back({static_cast<int16_t>(-400 * c / 1020), static_cast<int16_t>(-400 * sn / 1020), 40,
                       static_cast<int16_t>(c), static_cast<int16_t>(sn), 0, 1024,
                       static_cast<int16_t>(s.CosineTable[roll] * 4), static_cast<int16_t>(s.SineTable[roll] * 4)});
  }
  return camera_path_bytes(records);
}
