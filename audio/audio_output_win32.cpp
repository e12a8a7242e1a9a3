// Wave output and the audio clock: the pre-rendered song goes to the wave mapper in
// one write; the frames played are the clock. Silent mode runs the same clock on
// the performance counter. The wave functions come from winmm.dll in the system folder;
// without it the default device fails to open, as a missing device does.
#include "audio/audio_output.h"
#include "audio/byte_source.h"
#include "audio/module.h"
#include "audio/rendered_song.h"
#include "base/clock_win32.h"
#include "base/winmm_win32.h"

namespace {

struct AudioOutput {
  bool initialised;
  HWAVEOUT device;
  uint32_t sampleRate;
  uint32_t volumePercent;
  bool playing;
  bool paused;
  uint64_t pausedPosition;
  uint64_t firstFrame;  // where the playing start began in the song
  uint64_t tailFrames;  // test hook: the next start plays only this many last frames
  int64_t startCounter;
  int64_t counterFrequency;
  WAVEHDR header;
};

CRITICAL_SECTION g_lock;
AudioOutput g_out = {false, nullptr, 44100, 100, false, false, 0, 0, 0, 0, 0, {}};
RenderedSong g_song;
const AudioRecorder* g_recorder;
const Winmm* g_mm;  // set when the device opens

struct Lock {
  Lock() { EnterCriticalSection(&g_lock); }
  ~Lock() { LeaveCriticalSection(&g_lock); }
};

void reset_playback_locked() {
  if (g_out.device) {
    g_mm->waveOutReset(g_out.device);
    if (g_out.header.dwFlags & WHDR_PREPARED)
      g_mm->waveOutUnprepareHeader(g_out.device, &g_out.header, sizeof(WAVEHDR));
  }
  g_out.header = WAVEHDR{};
  g_out.paused = false;
  g_out.playing = false;
  g_out.pausedPosition = 0;
  g_out.firstFrame = 0;
}

uint64_t clock_locked() {
  if (g_recorder) return g_recorder->clock();
  if (!g_out.playing) return 0;
  if (g_out.device) {
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (g_mm->waveOutGetPosition(g_out.device, &time, sizeof time) == MMSYSERR_NOERROR &&
        time.wType == TIME_SAMPLES)
      return g_out.firstFrame + time.u.sample;
    return g_out.pausedPosition;
  }
  if (g_out.paused) return g_out.pausedPosition;
  uint64_t elapsed = static_cast<uint64_t>(clock_counter() - g_out.startCounter);
  return g_out.pausedPosition + elapsed * g_out.sampleRate / static_cast<uint64_t>(g_out.counterFrequency);
}

void unload_locked() {
  reset_playback_locked();
  rendered_song_free(&g_song);
}

}  // namespace

void audio_set_recorder(const AudioRecorder* recorder) { g_recorder = recorder; }

bool audio_open(int device, uint32_t sampleRate) {
  if (!g_out.initialised) {
    InitializeCriticalSection(&g_lock);
    g_out.counterFrequency = clock_counter_frequency();
    g_out.initialised = true;
  }
  Lock lock;
  g_out.sampleRate = sampleRate;
  if (device == kAudioSilent || g_recorder) return true;
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = sampleRate;
  format.nAvgBytesPerSec = sampleRate * 4;
  format.nBlockAlign = 4;
  format.wBitsPerSample = 16;
  g_mm = winmm();
  if (!g_mm ||
      g_mm->waveOutOpen(&g_out.device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    g_out.device = nullptr;
    return false;
  }
  return true;
}

bool audio_load_song(const uint8_t* bytes, uint32_t length) {
  if (!g_out.initialised || length == 0) return false;
  Lock lock;
  unload_locked();
  char message[kModuleMessageSize];
  Module* module = module_load(ByteSource{bytes, length}, message);
  if (!module) return false;
  bool rendered = rendered_song_render(module, g_out.sampleRate, &g_song);
  module_free(module);
  if (rendered && g_recorder && !g_recorder->prepare_track(g_song.pcm, g_song.bytes / 4, g_song.sampleRate)) {
    unload_locked();
    return false;
  }
  return rendered;
}

bool audio_start() {
  if (!g_out.initialised || !g_song.pcm) return false;
  Lock lock;
  reset_playback_locked();
  uint64_t frames = g_song.bytes / 4;
  uint64_t first = g_out.tailFrames && g_out.tailFrames < frames ? frames - g_out.tailFrames : 0;
  g_out.tailFrames = 0;
  bool started = true;
  if (g_out.device) {
    g_out.header.lpData = reinterpret_cast<LPSTR>(g_song.pcm + first * 2);
    g_out.header.dwBufferLength = static_cast<DWORD>((frames - first) * 4);
    MMRESULT prepared = g_mm->waveOutPrepareHeader(g_out.device, &g_out.header, sizeof(WAVEHDR));
    audio_set_volume(g_out.volumePercent);
    started = prepared == MMSYSERR_NOERROR &&
              g_mm->waveOutWrite(g_out.device, &g_out.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
  }
  g_out.startCounter = clock_counter();
  g_out.playing = started;
  g_out.paused = false;
  g_out.firstFrame = g_out.pausedPosition = first;
  return started;
}

void audio_stop() {
  if (!g_out.initialised) return;
  Lock lock;
  reset_playback_locked();
}

void audio_pause() {
  if (!g_out.initialised) return;
  Lock lock;
  if (!g_out.playing || g_out.paused) return;
  g_out.pausedPosition = clock_locked();
  if (g_out.device) g_mm->waveOutPause(g_out.device);
  g_out.paused = true;
}

void audio_resume() {
  if (!g_out.initialised) return;
  Lock lock;
  if (!g_out.playing || !g_out.paused) return;
  if (g_out.device) g_mm->waveOutRestart(g_out.device);
  g_out.startCounter = clock_counter();
  g_out.paused = false;
}

void audio_test_tail(uint32_t milliseconds) {
  g_out.tailFrames = static_cast<uint64_t>(milliseconds) * g_out.sampleRate / 1000;
}

bool audio_set_volume(uint32_t percent) {
  g_out.volumePercent = percent < 100 ? percent : 100;
  if (!g_out.device) return true;
  DWORD level = g_out.volumePercent * 65535 / 100;
  return g_mm->waveOutSetVolume(g_out.device, level | level << 16) == MMSYSERR_NOERROR;
}

uint64_t audio_position_frames() {
  if (!g_out.initialised) return 0;
  Lock lock;
  return clock_locked();
}

int32_t audio_music_position() {
  if (!g_out.initialised) return -1;
  Lock lock;
  return rendered_song_position(g_song, clock_locked());
}

bool audio_song_finished() {
  if (!g_out.initialised) return false;
  Lock lock;
  return g_out.playing && g_song.pcm && clock_locked() >= g_song.bytes / 4;
}

void audio_unload_song() {
  if (!g_out.initialised) return;
  Lock lock;
  unload_locked();
}

void audio_close() {
  if (!g_out.initialised) return;
  audio_unload_song();
  Lock lock;
  if (g_out.device) g_mm->waveOutClose(g_out.device);
  g_out.device = nullptr;
}
