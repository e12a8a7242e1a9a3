// The demo thread's hooks into the shell: pacing on the millisecond clock, frame
// publication, pause and stop, the music position, snapshots and the thread itself.
#include <windows.h>

#include <cstring>

#include "audio/audio_output.h"
#include "base/asset_image.h"
#include "base/clock_win32.h"
#include "base/frame_publish.h"
#include "base/test_log_win32.h"
#include "demo/demo_hooks.h"
#include "demo/demo_loop.h"
#include "record/record_mode.h"
#include "shell/pacing.h"
#include "shell/render_meter.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"

uint8_t* AssetSnapshot;
uint8_t* StateSnapshot;

namespace {

// Test log of a run's first frames (pixels and palette, FNV-1a), to compare runs.
constexpr uint32_t kLoggedFrames = 8;
uint32_t g_runFrames;

void log_run_frame() {
  if (g_runFrames >= kLoggedFrames) return;
  uint32_t hash = 2166136261u;
  auto mix = [&](const uint8_t* bytes, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  };
  mix(g_stagingFrame, kFramePixels);
  mix(WorkingPalette, kFramePaletteSize);
  test_log("run %d frame %u: %08x", g_shell.runCount, g_runFrames++, hash);
}

void publish_frame() {
  meter_begin(g_renderMeter, clock_counter());
  std::memcpy(g_stagingFrame, AssetImage + kDisplayBufferOffset, kFramePixels);
  meter_end(g_renderMeter, clock_counter());
  EnterCriticalSection(&frameLock);
  frame_publish_copy(g_sharedFrame);
  LeaveCriticalSection(&frameLock);
  InvalidateRect(g_window, nullptr, FALSE);
  log_run_frame();
}

}  // namespace

uint32_t shell_clock_ms() { return g_record.recording ? record_clock_ms() : clock_ms(); }

void pollPauseAndStop() {
  if (g_shell.stopDemo) demo_exit();
  if (!g_shell.paused) return;
  meter_suspend(g_renderMeter, clock_counter());
  audio_pause();
  while (g_shell.paused) {
    if (g_shell.stopDemo) demo_exit();
    Sleep(10);
  }
  audio_resume();
  g_pacing.nextFrameTime = shell_clock_ms();
  meter_resume(g_renderMeter, clock_counter());
}

void waitRetrace() {
  meter_end(g_renderMeter, clock_counter());
  if (g_record.recording) {
    // No waiting: the recorder paints and writes this frame's video frames, then sets the
    // clock that the next frame runs on.
    pollPauseAndStop();
    publish_frame();
    meter_close_frame(g_renderMeter, clock_counter());
    record_demo_frame(g_window);
    g_pacing.musicPosition = audio_music_position();
    meter_begin(g_renderMeter, clock_counter());
    return;
  }
  for (;;) {
    pollPauseAndStop();
    int32_t position = audio_music_position();
    if (position != -1) g_pacing.musicPosition = position;
    uint32_t now = shell_clock_ms();
    if (pacing_frame_due(g_pacing, now)) {
      pacing_advance(g_pacing, now);
      break;
    }
    Sleep(1);
  }
  publish_frame();
  meter_close_frame(g_renderMeter, clock_counter());
  meter_begin(g_renderMeter, clock_counter());
}

MusicKeyParts queryMusicPosition() {
  pollPauseAndStop();
  if (audio_song_finished()) demo_exit();
  int32_t position = audio_music_position();
  if (position == -1)
    position = g_pacing.musicPosition;
  else
    g_pacing.musicPosition = position;
  uint32_t packed = static_cast<uint32_t>(position);
  return MusicKeyParts{static_cast<uint16_t>((packed & 0xFF) << 8), static_cast<uint8_t>(packed >> 16)};
}

void pacing_run_start() {
  g_runFrames = 0;
  meter_start(g_renderMeter, clock_counter_frequency(), clock_counter());
  frame_header_init(g_frameDescription.header);
  g_pacing.nextFrameTime = shell_clock_ms();
}

void pacing_run_reset() {
  g_pacing.musicPosition = 0;
  g_pacing.frameFraction = 0;
  std::memset(g_stagingFrame, 0, kFramePixels);
  g_pacing.nextFrameTime = shell_clock_ms();
}

uint8_t* snapshot_allocate(uint32_t size) {
  return static_cast<uint8_t*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void FreeSnapshots() {
  if (AssetSnapshot) VirtualFree(AssetSnapshot, 0, MEM_RELEASE);
  if (StateSnapshot) VirtualFree(StateSnapshot, 0, MEM_RELEASE);
  AssetSnapshot = StateSnapshot = nullptr;
}

void set_exit_code_failure() { g_shell.exitCode = 1; }

DWORD WINAPI demo_thread_main(void*) {
  demo_run();
  test_log("demo thread ended");
  PostMessageA(g_window, WM_APP_DEMO_EXITED, 0, 0);
  return 0;
}
