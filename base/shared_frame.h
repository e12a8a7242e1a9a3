// The IndexedFrame as it crosses from the demo thread to the painters: a DIB
// description (40-byte header for 320 x -200 at 8 bpp, 256 colour-table entries
// of blue, green, red, 0) followed by the pixels. Guarded by frameLock.
#pragma once
#include <cstdint>

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 200;
constexpr uint32_t kFramePixels = kFrameWidth * kFrameHeight;
constexpr uint32_t kFrameHeaderSize = 40;
constexpr uint32_t kFramePaletteSize = 256 * 4;

struct FrameDescription {
  uint8_t header[kFrameHeaderSize];    // BITMAPINFOHEADER layout
  uint8_t palette[kFramePaletteSize];  // WorkingPalette
};
static_assert(sizeof(FrameDescription) == 1064, "header and palette are copied as one block");

struct SharedFrame {
  FrameDescription description;
  uint8_t pixels[kFramePixels];
  uint32_t lineCount;  // 200 once the demo has published; 0 before
};

// Writes the 40-byte BITMAPINFOHEADER for 320 x -200 (top-down), 8 bpp, 256 colours.
void frame_header_init(uint8_t header[kFrameHeaderSize]);
