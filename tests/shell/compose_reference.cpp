// Test helper: composes a dumped frame (40-byte header, 256 colour entries, 64,000
// index bytes) the way the painter does, for the end-to-end screenshot checks.
//   compose_reference FRAME WIDTH HEIGHT FULLSCREEN STRETCH ASPECT OUT
// writes WIDTH x HEIGHT 32-bit pixels (blue, green, red, 0) to OUT and prints the
// destination rectangle as "x y width height".
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/shared_frame.h"
#include "shell/compose.h"
#include "tests/test_files.h"

int main(int argc, char** argv) {
  if (argc != 8) {
    fprintf(stderr, "usage: compose_reference FRAME WIDTH HEIGHT FULLSCREEN STRETCH ASPECT OUT\n");
    return 2;
  }
  const Bytes frame = test_read_file(argv[1]);
  if (frame.size() < sizeof(FrameDescription) + kFramePixels) {
    fprintf(stderr, "compose_reference: cannot read %s\n", argv[1]);
    return 1;
  }
  int width = atoi(argv[2]), height = atoi(argv[3]);
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return 2;
  ComposeRect d = compose_destination(kFrameWidth, kFrameHeight, width, height, atoi(argv[4]),
                                     atoi(argv[5]), atoi(argv[6]));
  std::vector<uint32_t> surface(size_t(width) * size_t(height));
  const uint8_t* palette = frame.data() + kFrameHeaderSize;
  compose_reference(frame.data() + sizeof(FrameDescription), palette, kFrameWidth, kFrameHeight,
                   surface.data(), width, height, d);
  if (!test_write_file(argv[7], surface.data(), surface.size() * 4)) {
    fprintf(stderr, "compose_reference: cannot write %s\n", argv[7]);
    return 1;
  }
  printf("%d %d %d %d\n", d.x, d.y, d.width, d.height);
  return 0;
}
