// Models and camera paths in the engine's formats, run-start state, and a work screen of the test's own.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/asset_image.h"
#include "base/byte_order.h"
#include "demo/demo_hooks.h"
#include "demo/demo_state.h"
#include "demo/object.h"
#include "tests/test_files.h"

using Ints = std::vector<int>;  // several values compared at once
using Triple = std::array<int16_t, 3>;
using PathRecord = std::array<int16_t, 9>;

inline const DemoState g_initialState = g_demo;  // g_demo is constant-initialised before this copy
inline void reset_demo_state() { std::memcpy(&g_demo, &g_initialState, sizeof(DemoState)); }

struct TestFace {
  uint16_t vertex[3];
  uint8_t baseColour = 0;
};  // vertex numbers, not offsets

// ObjectModel bytes, zero-padded: header, vertices, one normal per face, faces.
inline Bytes model_bytes(const std::vector<Triple>& vertices, const std::vector<Triple>& normals,
                         const std::vector<TestFace>& faces) {
  Bytes out(kObjectModelSize, 0);
  uint8_t* p = out.data() + 4;  // two unused words
  auto put = [&p](int value) { store_le16(p, uint16_t(value)), p += 2; };
  put(6 * (int(vertices.size()) - 1)), put(6 * (int(normals.size()) - 1)), put(10 * (int(faces.size()) - 1));
  for (const std::vector<Triple>* list : {&vertices, &normals})
    for (const Triple& t : *list)
      for (int16_t c : t) put(c);
  for (const TestFace& f : faces) {
    for (uint16_t v : f.vertex) put(6 * v);
    *p = f.baseColour, p += 4;
  }
  return out;
}

inline Bytes camera_path_bytes(const std::vector<PathRecord>& records) {  // zero-padded
  Bytes out(kCameraPathSize, 0);
  for (size_t i = 0; i < records.size(); ++i)
    for (int k = 0; k < 9; ++k) store_le16(&out[18 * i + 2 * k], uint16_t(records[i][k]));
  return out;
}

// Fresh state with a model and camera path in place (and in the snapshot, for later runs); empty: zeros.
inline void load_object(const Bytes& model, const Bytes& camera) {
  reset_demo_state();
  Bytes both = camera.empty() ? Bytes(kCameraPathSize, 0) : camera;  // the model follows the path
  both.insert(both.end(), model.begin(), model.end());
  both.resize(kCameraPathSize + kObjectModelSize);
  for (uint8_t* region : {AssetImage, AssetSnapshot})
    if (region) std::memcpy(region + kCameraPathOffset, both.data(), both.size());
  DemoState& s = g_demo;
  s.cameraPathStart = s.cameraPathCurrent = reinterpret_cast<int16_t*>(AssetImage + kCameraPathOffset);
  s.cameraPathEnd = s.cameraPathStart + 800 * kCameraRecordWords;
  object_read_header();
}

// A 320 x 400 work screen filled with `fill`, given to the current state (again by attach after a reset).
struct TestScreen {
  explicit TestScreen(uint8_t fill = 0) : pixels(320 * 400, fill) { attach(); }
  void attach() { g_demo.workScreen = pixels.data(), g_demo.workScreenRow1 = pixels.data() + 320; }
  uint8_t at(int row, int column) const { return pixels[320 * row + column]; }
  Bytes pixels;
};
