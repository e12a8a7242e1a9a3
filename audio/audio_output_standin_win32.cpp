// Silent stand-in for the wave output until the module player renders the tune:
// the clock runs on the performance counter and the song position is that of an
// 18-order song of 64-row patterns at speed 6, tempo 125 (882 frames a tick).
#include <windows.h>

#include "audio/audio_output.h"

namespace {

constexpr uint64_t kFramesPerTick = 882;
constexpr uint64_t kTicksPerRow = 6;
constexpr uint64_t kRowsPerOrder = 64;
constexpr uint64_t kOrders = 18;
constexpr uint64_t kSongFrames = kFramesPerTick * kTicksPerRow * kRowsPerOrder * kOrders;

CRITICAL_SECTION g_lock;
bool g_initialised, g_loaded, g_playing, g_paused;
uint32_t g_rate = 44100;
uint64_t g_pausedPosition;
int64_t g_startCounter, g_frequency;

int64_t counter_now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

uint64_t clock_locked() {
  if (!g_playing) return 0;
  if (g_paused) return g_pausedPosition;
  return g_pausedPosition + static_cast<uint64_t>(counter_now() - g_startCounter) * g_rate /
                                static_cast<uint64_t>(g_frequency);
}

}  // namespace

bool audio_open(int, uint32_t sampleRate) {
  if (!g_initialised) {
    InitializeCriticalSection(&g_lock);
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_frequency = f.QuadPart;
    g_initialised = true;
  }
  g_rate = sampleRate;
  return true;
}

bool audio_load_song(const uint8_t*, uint32_t length) {
  if (!g_initialised || length == 0) return false;
  g_loaded = true;
  return true;
}

bool audio_start() {
  if (!g_initialised || !g_loaded) return false;
  EnterCriticalSection(&g_lock);
  g_startCounter = counter_now();
  g_playing = true;
  g_paused = false;
  g_pausedPosition = 0;
  LeaveCriticalSection(&g_lock);
  return true;
}

void audio_stop() {
  EnterCriticalSection(&g_lock);
  g_playing = g_paused = false;
  g_pausedPosition = 0;
  LeaveCriticalSection(&g_lock);
}

void audio_pause() {
  EnterCriticalSection(&g_lock);
  if (g_playing && !g_paused) {
    g_pausedPosition = clock_locked();
    g_paused = true;
  }
  LeaveCriticalSection(&g_lock);
}

void audio_resume() {
  EnterCriticalSection(&g_lock);
  if (g_playing && g_paused) {
    g_startCounter = counter_now();
    g_paused = false;
  }
  LeaveCriticalSection(&g_lock);
}

bool audio_set_volume(uint32_t) { return true; }

uint64_t audio_position_frames() {
  EnterCriticalSection(&g_lock);
  uint64_t frames = clock_locked();
  LeaveCriticalSection(&g_lock);
  return frames;
}

int32_t audio_music_position() {
  if (!g_loaded) return -1;
  uint64_t frames = audio_position_frames();
  if (frames >= kSongFrames) frames = kSongFrames - 1;
  uint64_t row = frames / (kFramesPerTick * kTicksPerRow);
  return static_cast<int32_t>((row % kRowsPerOrder) << 16 | (row / kRowsPerOrder));
}

bool audio_song_finished() { return g_playing && g_loaded && audio_position_frames() >= kSongFrames; }

void audio_unload_song() {
  if (!g_initialised) return;
  audio_stop();
  g_loaded = false;
}

void audio_close() { audio_unload_song(); }
