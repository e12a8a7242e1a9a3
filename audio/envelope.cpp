#include "audio/envelope.h"

int32_t envelope_value(const Envelope& envelope, int32_t tick) {
  int32_t last = envelope.pointCount - 1;
  if (last < 0) return 64;  // an enabled envelope always has points; stay neutral without
  if (tick >= envelope.pointTicks[last]) return envelope.pointAmplitudes[last];
  int32_t i = 0;
  for (int32_t p = 1; p <= last; ++p) {
    if (envelope.pointTicks[p] <= tick) i = p;
  }
  int32_t a = envelope.pointAmplitudes[i];
  int32_t span = envelope.pointTicks[i + 1] - envelope.pointTicks[i];
  if (span == 0) return a;
  int32_t b = envelope.pointAmplitudes[i + 1];
  int32_t slope = (b - a) * (1 << 24) / span;
  int32_t value =
      a + static_cast<int32_t>((static_cast<int64_t>(slope) * (tick - envelope.pointTicks[i])) >> 24);
  // Points out of tick order (a damaged file) would run past both ends.
  int32_t low = a < b ? a : b, high = a < b ? b : a;
  return value < low ? low : value > high ? high : value;
}

int32_t envelope_next_tick(const Envelope& envelope, int32_t tick, int32_t keyOn) {
  if (envelope.sustain && keyOn && tick == envelope.sustainTick) return tick;
  ++tick;
  if (envelope.looped && tick == envelope.loopEndTick) tick = envelope.loopStartTick;
  return tick;
}
