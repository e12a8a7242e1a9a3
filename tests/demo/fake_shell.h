// A scripted shell for running the demo engine in tests: the music key of every
// frame comes from a script, every published frame is kept, and the run ends
// at the retrace after a chosen number of whole frames.
#pragma once
#include <cstdint>
#include <vector>

struct CapturedFrame {
  std::vector<uint8_t> pixels;    // DisplayBuffer at the retrace
  std::vector<uint8_t> palette;   // WorkingPalette at the retrace
};

struct FakeShell {
  int framesToRun = 0;
  uint32_t (*musicKey)(int frame) = nullptr;   // order * 256 + row per frame; 0 when null
  std::vector<CapturedFrame> frames;
  bool audioStartFails = false;
  bool exitFailure = false;
};

extern FakeShell g_fake;

// Writes bytes into the demo region and, once the first run has taken it, into its
// snapshot too, so that every later run starts from them.
void set_demo_region(uint32_t offset, const std::vector<uint8_t>& bytes);

// Puts DemoState back to its initial contents, for tests that call the engine's
// steps directly.
void reset_demo_state();

// Runs the engine under the fake shell and returns the frames it published.
const std::vector<CapturedFrame>& run_demo_frames(int frames, uint32_t (*musicKey)(int) = nullptr);
