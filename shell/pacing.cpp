#include "shell/pacing.h"

PacingState g_pacing;

void pacing_advance(PacingState& p, uint32_t now) {
  if (static_cast<int32_t>(now - p.nextFrameTime) >= 100) p.nextFrameTime = now;
  p.nextFrameTime += 14;
  p.frameFraction += 2;
  if (p.frameFraction >= 7) {
    p.frameFraction -= 7;
    p.nextFrameTime += 1;
  }
}
