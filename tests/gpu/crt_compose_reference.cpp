// Test helper: composes a dumped frame (40-byte header, 256 colour entries, 64,000
// index bytes) the way the painter does with the CRT pass at default settings, the
// CPU reference standing in for the GPU, for the end-to-end screenshot checks.
//   crt_compose_reference FRAME WIDTH HEIGHT OUT
// writes WIDTH x HEIGHT 32-bit pixels (blue, green, red, 0) to OUT and prints the
// destination rectangle as "x y width height".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/shared_frame.h"
#include "gpu/crt_constants.h"
#include "gpu/crt_frame.h"
#include "shell/compose.h"
#include "shell/config.h"
#include "tests/test_files.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: crt_compose_reference FRAME WIDTH HEIGHT OUT\n");
    return 2;
  }
  const Bytes frame = test_read_file(argv[1]);
  if (frame.size() < sizeof(FrameDescription) + kFramePixels) {
    fprintf(stderr, "crt_compose_reference: cannot read %s\n", argv[1]);
    return 1;
  }
  int width = atoi(argv[2]), height = atoi(argv[3]);
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return 2;
  config_set_defaults(&g_settings, &g_settings.AspectRatio4x3, &g_settings.StretchToFit);
  CrtSettingsChanged();
  const CrtSettings& s = g_settings;
  ComposeRect d = compose_destination(kFrameWidth, kFrameHeight, width, height, 0, int(s.StretchToFit),
                                     int(s.AspectRatio4x3));
  std::vector<uint32_t> surface(size_t(width) * size_t(height), 0);
  const uint8_t* palette = frame.data() + kFrameHeaderSize;
  if (!CrtProcessFrame(frame.data() + sizeof(FrameDescription), palette, kFrameWidth, kFrameHeight,
                       kFrameWidth, uint32_t(d.width), uint32_t(d.height), 0, 0)) {
    fprintf(stderr, "crt_compose_reference: the CRT pass refused %dx%d\n", d.width, d.height);
    return 1;
  }
  const uint32_t* picture = CrtOutputPicture();
  for (int y = 0; y < d.height; y++)
    memcpy(&surface[size_t(d.y + y) * width + d.x], picture + size_t(y) * d.width, size_t(d.width) * 4);
  if (!test_write_file(argv[4], surface.data(), surface.size() * 4)) {
    fprintf(stderr, "crt_compose_reference: cannot write %s\n", argv[4]);
    return 1;
  }
  printf("%d %d %d %d\n", d.x, d.y, d.width, d.height);
  return 0;
}
