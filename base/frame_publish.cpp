#include "base/frame_publish.h"

#include <cstring>

#include "base/byte_order.h"

FrameDescription g_frameDescription;
uint8_t g_stagingFrame[kFramePixels];

void frame_header_init(uint8_t header[kFrameHeaderSize]) {
  auto put32 = [&](int at, uint32_t v) { store_le32(header + at, v); };
  std::memset(header, 0, kFrameHeaderSize);
  put32(0, kFrameHeaderSize);                      // biSize
  put32(4, kFrameWidth);                           // biWidth
  put32(8, static_cast<uint32_t>(-kFrameHeight));  // biHeight: negative, top-down
  header[12] = 1;                                  // biPlanes
  header[14] = 8;                                  // biBitCount
  put32(20, kFramePixels);                         // biSizeImage
  put32(32, 256);                                  // biClrUsed
  put32(36, 256);                                  // biClrImportant
}

void frame_publish_copy(SharedFrame& shared) {
  std::memcpy(&shared.description, &g_frameDescription, sizeof g_frameDescription);
  std::memcpy(shared.pixels, g_stagingFrame, kFramePixels);
  shared.lineCount = kFrameHeight;
}
