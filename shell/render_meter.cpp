#include "shell/render_meter.h"

RenderWorkMeter g_renderMeter;

void meter_start(RenderWorkMeter& m, int64_t frequency, int64_t now) {
  m = RenderWorkMeter{};
  m.frequency = frequency;
  m.halfFrequency = frequency / 2;
  m.windowStart = now;
}

void meter_begin(RenderWorkMeter& m, int64_t now) {
  m.workStart = now;
  m.measuring = 1;
}

void meter_end(RenderWorkMeter& m, int64_t now) {
  if (m.measuring) m.accumulated += now - m.workStart;
  m.measuring = 0;
}

void meter_suspend(RenderWorkMeter& m, int64_t now) {
  m.savedMeasuring = m.measuring;
  meter_end(m, now);
}

void meter_resume(RenderWorkMeter& m, int64_t now) {
  if (m.savedMeasuring) meter_begin(m, now);
}

void meter_close_frame(RenderWorkMeter& m, int64_t now) {
  ++m.framesInWindow;
  if (now - m.windowStart < m.halfFrequency) return;
  // accumulated / frequency * 1e6 / frames, rounded to nearest, without overflow for
  // any realistic window.
  uint64_t denominator = static_cast<uint64_t>(m.frequency) * m.framesInWindow;
  uint64_t micro = static_cast<uint64_t>(m.accumulated) * 1000000u;
  m.microsecondsPerFrame = static_cast<uint32_t>((micro + denominator / 2) / denominator);
  m.resultValid = 1;
  m.framesInWindow = 0;
  m.accumulated = 0;
  m.windowStart = now;
}
