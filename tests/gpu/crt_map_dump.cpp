// Writes sample maps, chroma tables and decay tables for a fixed list of sizes and
// settings to one file. Built natively and for Windows: the end-to-end test runs
// both and compares the files byte for byte, since the map must not depend on the
// toolchain, its C library or its start-up floating-point state.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gpu/crt_constants.h"
#include "gpu/crt_frame.h"
#include "gpu/crt_map.h"
#include "shell/config.h"
#include "tests/test_files.h"

namespace {

struct MapCase {
  uint32_t sw, sh, ow, oh, scanlines, distortion, curvature, vignette, brightness, contrast;
};

const MapCase kCases[] = {
    {320, 200, 640, 480, 1, 1, 25, 25, 900, 100},  {320, 200, 640, 480, 1, 0, 25, 25, 900, 100},
    {320, 200, 640, 480, 0, 1, 25, 25, 900, 100},  {320, 200, 640, 480, 0, 0, 25, 25, 900, 100},
    {320, 200, 1280, 960, 1, 1, 25, 25, 900, 100}, {320, 200, 1920, 1080, 1, 1, 100, 100, 500, 250},
    {640, 400, 1000, 750, 1, 1, 60, 10, 750, 250}, {37, 23, 301, 199, 1, 1, 25, 25, 900, 100},
    {320, 200, 333, 241, 1, 1, 0, 0, 1000, 0},
};

void append(Bytes& out, const void* data, size_t bytes) {
  out.insert(out.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: crt_map_dump OUTPUT\n");
    return 2;
  }
  Bytes dump;
  for (const MapCase& c : kCases) {
    config_set_defaults(&g_settings, nullptr, nullptr);
    g_settings.CurvaturePermille = c.curvature;
    g_settings.VignettePermille = c.vignette;
    g_settings.ScanlineBrightnessPermille = c.brightness;
    g_settings.ScanlineContrastPermille = c.contrast;
    CrtSettingsChanged();
    const CrtConstants& k = g_crtConstants;
    CrtMapShape shape = {c.scanlines, c.distortion,   k.curvature,
                         k.vignette,  k.scanlineBase, k.scanlineContrast};
    std::vector<uint32_t> map(size_t(c.ow) * c.oh * 3);
    crt_map_build(map.data(), c.sw, c.sh, c.ow, c.oh, shape);
    append(dump, map.data(), map.size() * 4);
    std::vector<uint32_t> chroma(c.sw + c.sh);
    crt_chroma_tables(c.sw, c.sh, 150, chroma.data(), chroma.data() + c.sw);
    append(dump, chroma.data(), chroma.size() * 4);
  }
  for (uint32_t ms : {5u, 30u, 77u, 150u}) {
    g_settings.PersistenceMs = ms;
    CrtSettingsChanged();
    append(dump, g_crtConstants.decay, sizeof g_crtConstants.decay);
  }
  if (!test_write_file(argv[1], dump)) {
    fprintf(stderr, "crt_map_dump: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
