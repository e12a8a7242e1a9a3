// The portable half of the frame composition: where the picture goes in the client
// area, what the performance overlay says and how it is laid out, and the
// present-rate meter. The GDI half is compose_win32.cpp.
#pragma once
#include <cstdint>

#include "shell/config.h"

struct ComposeRect {
  int x, y, width, height;
};

// Destination of a W x L source in a client area. Windowed, or full screen with
// StretchToFit, the picture fills the client width (4:3: width x 3/4, limited by
// the height); full screen without StretchToFit it is shown unscaled (4:3: W x 3/4 lines).
ComposeRect compose_destination(int sourceWidth, int sourceLines, int clientWidth, int clientHeight,
                                int fullscreen, int stretchToFit, int aspect4x3);

// CPU reference of the black fill and the nearest-neighbour stretch of an 8-bit
// top-down source with its colour table (blue, green, red, 0) into 32-bit pixels.
void compose_reference(const uint8_t* source, const uint8_t* palette, int sourceWidth, int sourceLines,
                       uint32_t* surface, int surfaceWidth, int surfaceHeight, ComposeRect destination);

// Whether the CRT pass takes over: the master switch and at least one effect switch.
int compose_crt_pass_in_use(const CrtSettings& settings);

constexpr int kOverlayMinSize = 24;
constexpr int kOverlayTextSize = 64;
constexpr int kOverlayListMax = 9;

struct OverlayState {
  int paused;
  int rateValid;
  uint32_t fps10, ms10;
  const char* syncText;
  int workValid;
  uint32_t workMicroseconds;
  const char* rendererText;
  const char* crtText;
};

struct OverlayText {
  char line[4][kOverlayTextSize];
  char list[kOverlayListMax][kOverlayTextSize];
  int listCount;  // 1, or 9 while the CRT filters are on
};

void overlay_build_text(const OverlayState& state, const CrtSettings& settings, OverlayText* text);

// Character height of the overlay font for a w x h surface, n list lines and the
// length of line 1: about h/60, small enough for all lines to fit both ways.
uint32_t overlay_font_height(uint32_t width, uint32_t height, uint32_t listCount, uint32_t line1Length);

struct OverlayLayout {
  int lineY[4];
  int listY, listStep;
  int textX;
  int left, top, right, bottom;  // the opaque box
};

// lineHeights: measured heights of lines 1 to 4; widest: the widest of all lines.
OverlayLayout overlay_place(int width, int height, const int lineHeights[4], int listLineHeight,
                            int listCount, int widest);

// Present-rate meter: frames presented over windows of half a second.
struct PresentRateMeter {
  int started, valid;
  uint32_t count;
  int64_t windowStart;
  uint32_t fps10, ms10;  // tenths of frames per second and of milliseconds per frame
};

void present_rate_reset(PresentRateMeter* meter);
void present_rate_feed(PresentRateMeter* meter, int paused, int64_t now, int64_t frequency);
