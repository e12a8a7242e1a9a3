#include "gpu/crt_map.h"

#include <cmath>

namespace {

// x87 control word: precision control bits 8-9 (3 = 64-bit mantissa), rounding
// control bits 10-11 (1 = toward minus infinity).
constexpr uint16_t kPrecisionMask = 0x0300, kRoundingMask = 0x0C00;
constexpr uint16_t kExtendedRoundDown = 0x0300 | 0x0400;

struct RoundDownScope {
  uint16_t saved;
  RoundDownScope() {
    asm volatile("fnstcw %0" : "=m"(saved) : : "memory");
    uint16_t mode = uint16_t((saved & ~(kPrecisionMask | kRoundingMask)) | kExtendedRoundDown);
    asm volatile("fldcw %0" : : "m"(mode) : "memory");
  }
  ~RoundDownScope() { asm volatile("fldcw %0" : : "m"(saved) : "memory"); }
};

}  // namespace

void crt_map_build(uint32_t* map, uint32_t sw, uint32_t sh, uint32_t ow, uint32_t oh,
                   const CrtMapShape& shape) {
  RoundDownScope scope;
  crt_map_build_rounded(map, sw, sh, ow, oh, shape);
}

float crt_map_scanline_depth(uint32_t sh, uint32_t oh, const CrtMapShape& shape) {
  RoundDownScope scope;
  return crt_map_scanline_depth_rounded(sh, oh, shape);
}

void crt_chroma_tables(uint32_t sw, uint32_t sh, uint32_t strength, uint32_t* columns, uint32_t* rows) {
  double halfW = sw / 2.0, halfH = sh / 2.0;
  for (uint32_t x = 0; x < sw; x++) {
    double b = fabs(x - halfW) / halfW;
    columns[x] = uint32_t(floor(b * b * b * 160)) * strength / 100;
  }
  for (uint32_t y = 0; y < sh; y++) {
    double b = fabs(y - halfH) / halfH;
    rows[y] = uint32_t(floor(b * b * b * 100)) * strength / 100;
  }
}
