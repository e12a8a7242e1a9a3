// Test helper: composes a dumped frame the way the painter does, for the end-to-end
// screenshot checks.
//   compose_reference FRAME WIDTH HEIGHT FULLSCREEN STRETCH ASPECT OUT
// writes WIDTH x HEIGHT 32-bit pixels (blue, green, red, 0) to OUT and prints the
// destination rectangle as "x y width height".
#include <cstdlib>

#include "tests/reference_frame.h"

int main(int argc, char** argv) {
  ReferenceFrame f;
  if (int code = reference_frame_open("compose_reference", "FRAME WIDTH HEIGHT FULLSCREEN STRETCH ASPECT OUT",
                                      8, argc, argv, &f))
    return code;
  ComposeRect d = compose_destination(kFrameWidth, kFrameHeight, f.width, f.height, atoi(argv[4]),
                                      atoi(argv[5]), atoi(argv[6]));
  compose_reference(f.pixels, f.palette, kFrameWidth, kFrameHeight, f.surface.data(), f.width, f.height, d);
  return reference_frame_finish(f, argv[7], d);
}
