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

// Runs the engine under the fake shell and returns the frames it published.
const std::vector<CapturedFrame>& run_demo_frames(int frames, uint32_t (*musicKey)(int) = nullptr);
