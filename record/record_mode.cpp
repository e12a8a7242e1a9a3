#include "record/record_mode.h"

#include <cstdlib>

#include "record/record_hooks.h"

Recorder g_record = {false, kRecordDemoRate, 0, 0, 44100, 100, false, nullptr, 0, 0, 0, 0, false, false, {}};

namespace {

bool is_record_switch(const char* arg) {
  const char* name = "/record";
  for (; *name; ++name, ++arg) {
    char c = *arg;
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != *name) return false;
  }
  return *arg == 0;
}

// One capture; a frame that did not arrive fails the recording.
void capture_or_fail(void* window) {
  uint32_t before = g_record.writer.videoWritten;
  record_capture_one(window);
  if (g_record.writer.videoWritten == before) record_set_failed();
}

void capture_until(void* window, uint32_t frames) {
  while (!record_failed() && g_record.writer.videoWritten < frames) capture_or_fail(window);
}

}  // namespace

bool record_parse_number(const char* text, uint32_t maximum, uint32_t* value) {
  uint32_t v = 0;
  if (!*text) return false;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
    uint32_t digit = uint32_t(*text - '0');
    if ((maximum - digit) / 10 < v) return false;
    v = v * 10 + digit;
  }
  *value = v;
  return v != 0;
}

bool record_parse_command_line(int argc, char** argv) {
  bool seen = false;
  for (int i = 1; i < argc; ++i) {
    if (!is_record_switch(argv[i])) continue;
    uint32_t fps, width, height;
    bool good = !seen && i + 3 < argc && record_parse_number(argv[i + 1], kRecordMaxFps, &fps) &&
                record_parse_number(argv[i + 2], kRecordMaxSize, &width) &&
                record_parse_number(argv[i + 3], kRecordMaxSize, &height) && width >= kRecordMinSize &&
                height >= kRecordMinSize;
    if (!good) {
      record_show_usage();
      return false;
    }
    seen = true;
    g_record.fps = fps;
    g_record.width = width;
    g_record.height = height;
    g_record.recording = true;
    i += 3;
  }
  return true;
}

bool record_prepare_track(const int16_t* pcm, uint32_t frames, uint32_t rate) {
  Recorder& r = g_record;
  if (rate == 0 || r.width == 0 || r.height == 0 || r.width > kRecordMaxSize || r.height > kRecordMaxSize)
    return false;
  r.sampleRate = rate;
  uint64_t videoFrames = (uint64_t(rate) + uint64_t(frames) * r.fps - 1) / rate;
  uint64_t trackFrames = uint64_t(rate) * (videoFrames + uint64_t(kRecordTailSeconds) * r.fps) / r.fps;
  if (trackFrames > 0xFFFFFFFFu / 4) return false;
  std::free(r.track);
  r.track = static_cast<int16_t*>(std::calloc(size_t(trackFrames), 4));
  if (!r.track) return false;
  r.songVideoFrames = uint32_t(videoFrames);
  r.trackFrames = uint32_t(trackFrames);
  if (r.trackSoundOn)
    for (uint64_t i = 0; i < uint64_t(frames) * 2; ++i)
      r.track[i] = int16_t(pcm[i] * r.trackVolumePercent / 100);
  avi_init(r.writer, record_file_ops(), r.fps, r.width, r.height, rate, r.track, r.trackFrames);
  return true;
}

void record_demo_frame(void* window) {
  Recorder& r = g_record;
  uint64_t next = uint64_t(r.demoFrames) + 1;
  while (!record_failed() && r.writer.videoWritten < r.songVideoFrames &&
         uint64_t(r.writer.videoWritten) * kRecordDemoRate < next * r.fps)
    capture_or_fail(window);
  r.demoFrames = uint32_t(next);
  r.clock = next * r.sampleRate / kRecordDemoRate;
  if (record_failed()) record_post_close(window);
}

void record_capture_one(void* window) {
  g_record.clock = uint64_t(g_record.writer.videoWritten) * g_record.sampleRate / g_record.fps;
  record_request_paint(window);
}

void record_fill_to_song_end(void* window) {
  Recorder& r = g_record;
  if (!r.recording || record_failed()) return;
  capture_until(window, r.songVideoFrames);
  r.clock = uint64_t(r.writer.videoWritten) * r.sampleRate / r.fps;
  r.musicFinished = true;
}

bool record_tail_step(void* window) {
  uint32_t total = record_total_frames();
  if (record_failed() || g_record.writer.videoWritten >= total) return false;
  capture_or_fail(window);
  return !record_failed() && g_record.writer.videoWritten < total;
}

void record_finish(void* window, bool quitEarly) {
  Recorder& r = g_record;
  if (!r.recording) return;
  if (!quitEarly) capture_until(window, r.musicFinished ? record_total_frames() : r.songVideoFrames);
  avi_finish(r.writer);
  record_release_capture();
  std::free(r.track);
  r.track = nullptr;
  if (record_failed()) record_show_failure(window);
}
