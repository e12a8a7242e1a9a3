// 70 Hz frame pacing on a millisecond clock: periods of 14 and 15 ms in the
// pattern 14,14,14,15,14,14,15 (exactly 100 ms per 7 frames), no catching up
// after a stall.
#pragma once
#include <cstdint>

struct PacingState {
  uint32_t nextFrameTime;  // clock value at which the next frame may be shown
  uint32_t frameFraction;  // sevenths of a millisecond owed, 0..6
  int32_t musicPosition;   // last good packed playback position
};

extern PacingState g_pacing;

// True once the frame slot has come (the signed difference is not negative).
inline bool pacing_frame_due(const PacingState& p, uint32_t now) {
  return static_cast<int32_t>(now - p.nextFrameTime) >= 0;
}

// Called when the frame is due: schedules the next slot.
void pacing_advance(PacingState& p, uint32_t now);
