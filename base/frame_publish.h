// The demo thread's side of frame publication: the frame description (DIB header
// and WorkingPalette) and the staging copy of the finished picture.
#pragma once
#include <cstdint>

#include "base/shared_frame.h"

extern FrameDescription g_frameDescription;
extern uint8_t g_stagingFrame[kFramePixels];

// 256 entries of blue, green, red, 0; each colour byte is a 6-bit value times 4.
inline uint8_t* const WorkingPalette = g_frameDescription.palette;

// Copies description and staging frame into the shared frame (caller holds frameLock).
void frame_publish_copy(SharedFrame& shared);
