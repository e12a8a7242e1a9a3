// Offline recording: "/record <fps> <width> <height>" renders the whole show into an AVI.
//
// Nothing here reads the wall clock. The demo still steps at 70 frames per second, but each
// of its frames advances the recorder clock (audio sample frames) by exactly R / 70; video
// frames are taken from that clock at F per second, so video frame k shows demo frame
// floor(k x 70 / F). The sound track is the pre-rendered song followed by five seconds of
// silence, under the interlude's five-second tail.
//
// Usage: the entry calls record_parse_command_line first; the audio part hands the rendered
// song to record_prepare_track and reads record_clock as its music clock; the demo thread's
// retrace hook calls record_demo_frame; the window procedure calls record_fill_to_song_end,
// record_tail_step and, at shutdown, record_finish. The platform side lives in
// record_hooks.h.
#pragma once
#include <cstdint>

#include "record/avi_writer.h"

constexpr uint32_t kRecordMaxFps = 240;
constexpr uint32_t kRecordMinSize = 16;
constexpr uint32_t kRecordMaxSize = 8192;
constexpr uint32_t kRecordDemoRate = 70;  // demo frames per second
constexpr uint32_t kRecordTailSeconds = 5;

struct Recorder {
  bool recording;
  uint32_t fps;            // F, 1..240
  uint32_t width, height;  // W, H, 16..8192
  uint32_t sampleRate;     // R, from the song (44100 before it loads)
  int32_t trackVolumePercent;
  bool trackSoundOn;
  int16_t* track;            // stereo frames: the song, then silence
  uint32_t trackFrames;      // R x (T + 5 x F) / F
  uint32_t songVideoFrames;  // T = ceil(song frames x F / R)
  uint32_t demoFrames;       // 70 Hz frames published so far
  volatile uint64_t clock;   // audio frames; written by the capturing thread, read by the demo
  bool musicFinished;
  bool paintPending;  // a record paint is being served (window thread only)
  AviWriter writer;   // its failed flag is the recording's
};

extern Recorder g_record;

// Strict decimal: digits only, not empty, not 0, never above `maximum` at any step.
bool record_parse_number(const char* text, uint32_t maximum, uint32_t* value);
// Scans argv[1..] for one "/record F W H" group (any case). False (after the usage box)
// when the group is malformed or given twice; the process then ends with code 2.
bool record_parse_command_line(int argc, char** argv);

// Called with the rendered song while recording; false makes the song load fail.
bool record_prepare_track(const int16_t* pcm, uint32_t frames, uint32_t rate);

// After each published demo frame (demo thread): the video frames that fall before the next
// demo frame, then the clock of the next demo frame.
void record_demo_frame(void* window);
// Sets the clock for the next video frame and has the window paint and write it.
void record_capture_one(void* window);
// The demo run has ended: video up to T frames, the clock at the end of the song.
void record_fill_to_song_end(void* window);
// One frame of the interlude's tail; true while more are due.
bool record_tail_step(void* window);
// At shutdown: the missing frames (unless quit early), the file finished, the failure box.
void record_finish(void* window, bool quitEarly);

inline uint64_t record_clock() { return g_record.clock; }
inline uint32_t record_clock_ms() { return uint32_t(g_record.clock * 1000 / g_record.sampleRate); }
inline bool record_failed() { return g_record.writer.failed; }
inline void record_set_failed() { g_record.writer.failed = true; }
inline uint32_t record_total_frames() { return g_record.songVideoFrames + kRecordTailSeconds * g_record.fps; }
