// Test helper: composes a dumped frame the way the painter does with the CRT pass at
// default settings, the CPU reference standing in for the GPU, for the end-to-end
// screenshot checks (tests/reference_frame.h):
//   crt_compose_reference FRAME WIDTH HEIGHT OUT
#include <cstring>

#include "gpu/crt_constants.h"
#include "gpu/crt_frame.h"
#include "shell/config.h"
#include "tests/reference_frame.h"

int main(int argc, char** argv) {
  ReferenceFrame f;
  if (int code = reference_frame_open("crt_compose_reference", "FRAME WIDTH HEIGHT OUT", 5, argc, argv, &f))
    return code;
  config_set_defaults(&g_settings, &g_settings.AspectRatio4x3, &g_settings.StretchToFit);
  CrtSettingsChanged();
  const CrtSettings& s = g_settings;
  ComposeRect d = compose_destination(kFrameWidth, kFrameHeight, f.width, f.height, 0, int(s.StretchToFit),
                                      int(s.AspectRatio4x3));
  if (!CrtProcessFrame(f.pixels, f.palette, kFrameWidth, kFrameHeight, kFrameWidth, uint32_t(d.width),
                       uint32_t(d.height), 0, 0)) {
    fprintf(stderr, "crt_compose_reference: the CRT pass refused %dx%d\n", d.width, d.height);
    return 1;
  }
  const uint32_t* picture = CrtOutputPicture();
  for (int y = 0; y < d.height; y++)
    memcpy(&f.surface[size_t(d.y + y) * f.width + d.x], picture + size_t(y) * d.width, size_t(d.width) * 4);
  return reference_frame_finish(f, argv[4], d);
}
