#include "tests/demo/demo_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/asset_image.h"
#include "base/byte_order.h"
#include "base/frame_publish.h"
#include "demo/demo_hooks.h"
#include "demo/demo_loop.h"
#include "demo/demo_state.h"
#include "demo/object.h"

FakeShell g_fake;
uint8_t* AssetSnapshot;
uint8_t* StateSnapshot;

namespace {
const DemoState g_initialState = g_demo;   // g_demo is constant-initialised before this copy
}

void waitRetrace() {
  if (int(g_fake.frames.size()) == g_fake.framesToRun) demo_exit();
  const uint8_t* display = AssetImage + kDisplayBufferOffset;
  g_fake.frames.push_back(CapturedFrame{{display, display + kDisplayBufferSize},
                                        {WorkingPalette, WorkingPalette + kFramePaletteSize}});
}

void pollPauseAndStop() {}

MusicKeyParts queryMusicPosition() {
  int frame = int(g_fake.frames.size()) - 1;
  uint32_t key = g_fake.musicKey ? g_fake.musicKey(frame) : 0;
  return MusicKeyParts{uint16_t(key & 0xFF00), uint8_t(key & 0xFF)};
}

void pacing_run_start() {}
void pacing_run_reset() {}
uint8_t* snapshot_allocate(uint32_t size) { return static_cast<uint8_t*>(std::malloc(size)); }
bool audio_start() { return !g_fake.audioStartFails; }
void set_exit_code_failure() { g_fake.exitFailure = true; }

const std::vector<CapturedFrame>& run_demo_frames(int frames, uint32_t (*musicKey)(int)) {
  g_fake.frames.clear();
  g_fake.framesToRun = frames;
  g_fake.musicKey = musicKey;
  if (!StateSnapshot) reset_demo_state();   // the first run snapshots the initial state
  demo_run();
  return g_fake.frames;
}

void reset_demo_state() { std::memcpy(&g_demo, &g_initialState, sizeof(DemoState)); }

void set_demo_region(uint32_t offset, const Bytes& bytes) {
  std::memcpy(AssetImage + offset, bytes.data(), bytes.size());
  if (AssetSnapshot) std::memcpy(AssetSnapshot + offset, bytes.data(), bytes.size());
}

Bytes model_bytes(const std::vector<Triple>& vertices, const std::vector<Triple>& normals,
                  const std::vector<TestFace>& faces) {
  Bytes out(kObjectModelSize, 0);
  uint8_t* p = out.data() + 4;   // two unused words
  auto put = [&p](int value) { store_le16(p, uint16_t(value)), p += 2; };
  put(6 * (int(vertices.size()) - 1));
  put(6 * (int(normals.size()) - 1));
  put(10 * (int(faces.size()) - 1));
  for (const std::vector<Triple>* list : {&vertices, &normals})
    for (const Triple& t : *list)
      for (int16_t c : t) put(c);
  for (const TestFace& f : faces) {
    for (uint16_t v : f.vertex) put(6 * v);
    *p = f.baseColour, p += 4;
  }
  return out;
}

Bytes camera_path_bytes(const std::vector<PathRecord>& records) {
  Bytes out(kCameraPathSize, 0);
  for (size_t i = 0; i < records.size(); ++i)
    for (int k = 0; k < 9; ++k) store_le16(&out[18 * i + 2 * k], uint16_t(records[i][k]));
  return out;
}

Bytes octahedron_model() {
  const int16_t r = 150, n = 148;
  std::vector<Triple> vertices = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
  std::vector<Triple> normals;
  std::vector<TestFace> faces;
  for (int f = 0; f < 8; ++f) {
    int sx = f & 1, sy = (f >> 1) & 1, sz = (f >> 2) & 1;
    faces.push_back(TestFace{{uint16_t(sx), uint16_t(2 + sy), uint16_t(4 + sz)}, uint8_t(32 * (f % 4))});
    normals.push_back(Triple{int16_t(sx ? -n : n), int16_t(sy ? -n : n), int16_t(sz ? -n : n)});
  }
  return model_bytes(vertices, normals, faces);
}

Bytes orbit_camera_path() {
  // The first angle turns the camera around the object, the second (90 degrees) makes
  // the first turn's axis the view direction, the third rolls the view.
  const DemoState& s = g_demo;
  std::vector<PathRecord> records;
  for (int i = 0; i < 800; ++i) {
    int turn = (i * kSineEntries / 800) & (kSineEntries - 1);
    int roll = (i * 3 * kSineEntries / 800) & (kSineEntries - 1);
    int c = s.CosineTable[turn] * 4, sn = s.SineTable[turn] * 4;
    records.push_back({int16_t(-400 * c / 1020), int16_t(-400 * sn / 1020), 40, int16_t(c), int16_t(sn), 0,
                       1024, int16_t(s.CosineTable[roll] * 4), int16_t(s.SineTable[roll] * 4)});
  }
  return camera_path_bytes(records);
}

void load_object(const Bytes& model, const Bytes& camera) {
  reset_demo_state();
  set_demo_region(kObjectModelOffset, model.empty() ? Bytes(kObjectModelSize, 0) : model);
  set_demo_region(kCameraPathOffset, camera.empty() ? Bytes(kCameraPathSize, 0) : camera);
  DemoState& s = g_demo;
  s.cameraPathStart = s.cameraPathCurrent = reinterpret_cast<int16_t*>(AssetImage + kCameraPathOffset);
  s.cameraPathEnd = s.cameraPathStart + 800 * kCameraRecordWords;
  object_read_header();
}

void TestScreen::attach() {
  g_demo.workScreen = pixels.data();
  g_demo.workScreenRow1 = pixels.data() + 320;
}

int TestScreen::count(uint8_t colour) const { return int(std::count(pixels.begin(), pixels.end(), colour)); }
