// Measures the demo's own rendering time per frame over half-second windows, on
// the performance counter. Written by the demo thread; the result word and its
// valid flag are read by the painter without a lock.
#pragma once
#include <cstdint>

struct RenderWorkMeter {
  int32_t measuring;
  int32_t savedMeasuring;
  int64_t workStart;
  int64_t accumulated;
  uint32_t framesInWindow;
  int64_t windowStart;
  int64_t frequency;
  int64_t halfFrequency;
  volatile uint32_t microsecondsPerFrame;
  volatile int32_t resultValid;
};

extern RenderWorkMeter g_renderMeter;

void meter_start(RenderWorkMeter& m, int64_t frequency, int64_t now);
void meter_begin(RenderWorkMeter& m, int64_t now);
void meter_end(RenderWorkMeter& m, int64_t now);
void meter_suspend(RenderWorkMeter& m, int64_t now);
void meter_resume(RenderWorkMeter& m, int64_t now);
void meter_close_frame(RenderWorkMeter& m, int64_t now);
