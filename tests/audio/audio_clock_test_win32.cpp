// The audio clock in silent mode under Wine: load, start, pause and resume, volume,
// song end, a second start, unload. Time is only read, never assumed: every clock
// value is checked against the performance counter read just before and just after
// it, so the checks hold however fast or slow the machine runs.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "audio/audio_output.h"
#include "base/clock_win32.h"
#include "tests/audio/module_writers.h"

namespace {

int g_failures = 0;

void check(bool ok, const char* what, long long a = 0, long long b = 0) {
  if (ok) return;
  std::printf("FAILED: %s (%lld, %lld)\n", what, a, b);
  ++g_failures;
}

int64_t g_frequency;
int64_t frames_between(int64_t from, int64_t to) { return (to - from) * 44100 / g_frequency; }
int64_t clock_frames() { return static_cast<int64_t>(audio_position_frames()); }

constexpr int64_t kTick = 882;  // speed 1, tempo 125: one row per tick
constexpr int64_t kSongFrames = 64 * kTick;

}  // namespace

int main() {
  g_frequency = clock_counter_frequency();
  check(audio_music_position() == -1, "no song before open");
  check(audio_open(kAudioSilent, 44100), "silent open");
  check(audio_music_position() == -1, "no song after open");
  check(!audio_start(), "start without a song");

  // One pattern of 64 one-tick rows: 56,448 frames, 1.28 s.
  ModSong song;
  song.samples[0] = {"", 16, 0, 64, 0, 16, std::vector<int8_t>(32, 50)};  // a looped 32-frame sample
  song.cell(0, 0, 0) = {428, 1, 0xF, 0x01};
  std::vector<uint8_t> bytes = write_mod(song);
  check(!audio_load_song(bytes.data(), 0), "an empty image is refused");
  check(audio_load_song(bytes.data(), static_cast<uint32_t>(bytes.size())), "load");
  check(audio_music_position() == 0, "first position before start");
  check(audio_position_frames() == 0, "clock 0 before start");
  check(!audio_song_finished(), "not finished before start");

  check(audio_set_volume(250), "volume 250");
  int64_t before = clock_counter();
  check(audio_start(), "start");
  int64_t started = clock_counter();
  Sleep(200);
  int64_t low = clock_counter();
  int64_t clock = clock_frames();
  int32_t position = audio_music_position();
  int64_t high = clock_counter();
  check(clock >= frames_between(started, low) && clock <= frames_between(before, high) + 1, "clock runs",
        clock, frames_between(before, high));
  int64_t row = position >> 16;
  check((position & 0xFFFF) == 0 && row >= clock / kTick && row <= frames_between(before, high) / kTick,
        "position follows the clock", position, clock);

  audio_pause();
  int64_t paused = clock_frames();
  audio_pause();
  Sleep(50);
  check(clock_frames() == paused, "paused clock stands");
  check(audio_set_volume(0), "mute while paused");
  check(clock_frames() == paused, "muting keeps the clock");
  int64_t resumed = clock_counter();
  audio_resume();
  audio_resume();
  Sleep(50);
  low = clock_counter();
  clock = clock_frames();
  high = clock_counter();
  check(clock >= paused + frames_between(resumed, low) - 1 &&
            clock <= paused + frames_between(resumed, high) + 1,
        "resumed clock runs on from the pause", clock, paused);

  // A second start restarts from frame 0.
  before = clock_counter();
  check(audio_start(), "second start");
  clock = clock_frames();
  high = clock_counter();
  check(clock <= frames_between(before, high) + 1, "second start begins at 0", clock);

  int64_t deadline = clock_counter() + 20 * g_frequency;
  while (!audio_song_finished() && clock_counter() < deadline) Sleep(10);
  check(audio_song_finished(), "the song ends");
  check(clock_frames() >= kSongFrames, "finished at its length");
  check(audio_music_position() == (63 << 16), "last row after the end", audio_music_position());

  audio_stop();
  check(!audio_song_finished(), "stopped: not finished");
  check(audio_position_frames() == 0, "stopped: clock 0");
  audio_unload_song();
  check(audio_music_position() == -1, "no song after unload");
  audio_close();
  std::printf(g_failures ? "%d failed\n" : "all passed\n", g_failures);
  return g_failures ? 1 : 0;
}
