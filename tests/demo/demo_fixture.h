// The demo engine under test: a scripted shell (the music key of every frame from a
// script, every published frame kept, the run ended at the retrace after a chosen
// number of frames), small models and camera paths in the engine's asset formats, and
// a work screen of the test's own for calling the engine's steps directly.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "tests/test_files.h"

using Ints = std::vector<int>;   // several values compared at once

struct CapturedFrame {
  Bytes pixels;    // DisplayBuffer at the retrace
  Bytes palette;   // WorkingPalette at the retrace
};

struct FakeShell {
  int framesToRun = 0;
  uint32_t (*musicKey)(int frame) = nullptr;   // order * 256 + row per frame; 0 when null
  std::vector<CapturedFrame> frames;
  bool audioStartFails = false;
  bool exitFailure = false;
};
extern FakeShell g_fake;

// Runs the engine under the fake shell and returns the frames it published.
const std::vector<CapturedFrame>& run_demo_frames(int frames, uint32_t (*musicKey)(int) = nullptr);

// Puts DemoState back to its initial contents.
void reset_demo_state();

// Writes bytes into the demo region and, once the first run has taken it, into its
// snapshot too, so that every later run starts from them.
void set_demo_region(uint32_t offset, const Bytes& bytes);

using Triple = std::array<int16_t, 3>;
using PathRecord = std::array<int16_t, 9>;

struct TestFace {
  uint16_t vertex[3];   // vertex numbers
  uint8_t baseColour;
};

// ObjectModel bytes, zero-padded to the region: header, vertices, one normal per face,
// faces, and the two spare arrays.
Bytes model_bytes(const std::vector<Triple>& vertices, const std::vector<Triple>& normals,
                  const std::vector<TestFace>& faces);

// CameraPath bytes: up to 800 records, zero-padded.
Bytes camera_path_bytes(const std::vector<PathRecord>& records);

// An octahedron of radius 150 with outward normals of length 256, faces in the four ramps,
// and a camera circling it at distance 400, rolling slowly.
Bytes octahedron_model();
Bytes orbit_camera_path();

// Fresh state with a model and camera path in place, as the run start leaves them.
// Empty bytes put zeros back, which is what every run finds otherwise.
void load_object(const Bytes& model, const Bytes& camera);

// A 320 x 400 work screen filled with `fill`, given to the current state (again by
// attach after a reset).
struct TestScreen {
  explicit TestScreen(uint8_t fill = 0) : pixels(320 * 400, fill) { attach(); }
  void attach();
  uint8_t at(int row, int column) const { return pixels[320 * row + column]; }
  int count(uint8_t colour) const;
  Bytes pixels;
};
