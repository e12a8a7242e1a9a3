#include "tests/demo/fake_shell.h"

#include <cstdlib>
#include <cstring>

#include "base/asset_image.h"
#include "base/frame_publish.h"
#include "demo/demo_hooks.h"
#include "demo/demo_loop.h"
#include "demo/demo_state.h"

FakeShell g_fake;
uint8_t* AssetSnapshot;
uint8_t* StateSnapshot;

namespace {
const DemoState g_initialState = g_demo;   // g_demo is constant-initialised before this copy
}

void waitRetrace() {
  if (static_cast<int>(g_fake.frames.size()) == g_fake.framesToRun) demo_exit();
  const uint8_t* display = AssetImage + kDisplayBufferOffset;
  g_fake.frames.push_back(CapturedFrame{{display, display + kDisplayBufferSize},
                                        {WorkingPalette, WorkingPalette + kFramePaletteSize}});
}

void pollPauseAndStop() {}

MusicKeyParts queryMusicPosition() {
  int frame = static_cast<int>(g_fake.frames.size()) - 1;
  uint32_t key = g_fake.musicKey ? g_fake.musicKey(frame) : 0;
  return MusicKeyParts{static_cast<uint16_t>(key & 0xFF00), static_cast<uint8_t>(key & 0xFF)};
}

void pacing_run_start() {}
void pacing_run_reset() {}
uint8_t* snapshot_allocate(uint32_t size) { return static_cast<uint8_t*>(std::malloc(size)); }
bool audio_start() { return !g_fake.audioStartFails; }
void set_exit_code_failure() { g_fake.exitFailure = true; }

void set_demo_region(uint32_t offset, const std::vector<uint8_t>& bytes) {
  std::memcpy(AssetImage + offset, bytes.data(), bytes.size());
  if (AssetSnapshot) std::memcpy(AssetSnapshot + offset, bytes.data(), bytes.size());
}

void reset_demo_state() { std::memcpy(&g_demo, &g_initialState, sizeof(DemoState)); }

const std::vector<CapturedFrame>& run_demo_frames(int frames, uint32_t (*musicKey)(int)) {
  g_fake.frames.clear();
  g_fake.framesToRun = frames;
  g_fake.musicKey = musicKey;
  if (!StateSnapshot) reset_demo_state();   // the first run snapshots the initial state
  demo_run();
  return g_fake.frames;
}
