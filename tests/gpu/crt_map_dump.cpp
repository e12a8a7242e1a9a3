// Writes sample maps, chroma and decay tables for fixed sizes and settings to one file, natively
// and for Windows: the map must not depend on the toolchain, its C library or its FPU state.
#include <cstdio>
#include <vector>

#include "gpu/crt_constants.h"
#include "gpu/crt_frame.h"
#include "gpu/crt_map.h"
#include "shell/config.h"
#include "tests/test_files.h"

namespace {

// clang-format off
const uint32_t kCases[][10] = {
    // sw, sh, ow, oh, scanlines, distortion, curvature, vignette, brightness, contrast
    {320, 200, 640, 480, 1, 1, 25, 25, 900, 100},  {320, 200, 640, 480, 1, 0, 25, 25, 900, 100},
    {320, 200, 640, 480, 0, 1, 25, 25, 900, 100},  {320, 200, 640, 480, 0, 0, 25, 25, 900, 100},
    {320, 200, 1280, 960, 1, 1, 25, 25, 900, 100}, {320, 200, 1920, 1080, 1, 1, 100, 100, 500, 250},
    {640, 400, 1000, 750, 1, 1, 60, 10, 750, 250}, {37, 23, 301, 199, 1, 1, 25, 25, 900, 100},
    {320, 200, 333, 241, 1, 1, 0, 0, 1000, 0},
};
// clang-format on

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fprintf(stderr, "usage: crt_map_dump OUTPUT\n"), 2;
  Bytes dump;
  auto append = [&dump](const void* data, size_t bytes) {
    dump.insert(dump.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
  };
  const CrtConstants& k = g_crtConstants;
  for (const auto& c : kCases) {
    config_set_defaults(&g_settings, nullptr, nullptr);
    g_settings.CurvaturePermille = c[6], g_settings.VignettePermille = c[7];
    g_settings.ScanlineBrightnessPermille = c[8], g_settings.ScanlineContrastPermille = c[9];
    CrtSettingsChanged();
    std::vector<uint32_t> map(size_t(c[2]) * c[3] * 3), chroma(c[0] + c[1]);
    crt_map_build(map.data(), c[0], c[1], c[2], c[3],
                  {c[4], c[5], k.curvature, k.vignette, k.scanlineBase, k.scanlineContrast});
    crt_chroma_tables(c[0], c[1], 150, chroma.data(), chroma.data() + c[0]);
    append(map.data(), map.size() * 4);
    append(chroma.data(), chroma.size() * 4);
  }
  for (uint32_t ms : {5u, 30u, 77u, 150u}) {
    g_settings.PersistenceMs = ms;
    CrtSettingsChanged();
    append(k.decay, sizeof k.decay);
  }
  if (test_write_file(argv[1], dump)) return 0;
  return fprintf(stderr, "crt_map_dump: cannot write %s\n", argv[1]), 1;
}
