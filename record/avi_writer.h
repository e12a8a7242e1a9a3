#pragma once
#include <cstdint>

#include "record/avi_file.h"

// Uncompressed OpenDML AVI: 24-bit bottom-up video and 16-bit stereo PCM, one chunk of each per frame,
// split into RIFF segments with a super index per stream and idx1 in the first segment.
constexpr uint64_t kAviSegmentLimit = 268435456;
constexpr uint32_t kAviMaxSegments = 4096;

struct AviIndexEntry {
  uint64_t position;
  uint32_t size;
  uint32_t duration;
};

struct AviStream {
  AviIndexEntry* entries;
  uint32_t capacity;
  uint32_t count;
  uint32_t duration;
  uint64_t superCountPos;
  uint64_t strhLengthPos;
};

struct AviWriter {
  // Set by the caller before the first frame.
  const AviFileOps* ops;
  uint32_t fps, width, height, sampleRate;
  const int16_t* audio;  // stereo frames
  uint32_t audioFrames;
  uint64_t segmentLimit;  // kAviSegmentLimit

  void* file;
  bool failed;
  bool riffOpen;
  char finalName[260];
  char partialName[272];  // final name + ".partial"
  uint64_t riffStart, moviStart;
  uint32_t segmentCount;
  AviStream streams[2];
  uint64_t avihFramesPos, dmlhFramesPos;
  uint32_t firstSegmentFrames;
  uint32_t videoWritten, audioWritten;
  uint32_t stride;
  uint8_t* frame;  // stride x height, bottom-up rows
};

void avi_init(AviWriter& w, const AviFileOps* ops, uint32_t fps, uint32_t width, uint32_t height,
              uint32_t sampleRate, const int16_t* audio, uint32_t audioFrames);
bool avi_open(AviWriter& w);
// Writes one frame of 32-bit top-down pixels (blue, green, red, 0) and its audio chunk; opens the file
// at the first frame. False once the recording has failed.
bool avi_write_frame(AviWriter& w, const uint32_t* pixels, uint32_t width, uint32_t height);
bool avi_finish(AviWriter& w);
