// Built with the x87 unit for all floating point (-mfpmath=387) and without
// constant folding that assumes round-to-nearest (-frounding-math); the caller
// owns the control word. Every value is a long double unless it is named as a
// single-precision one, which goes through a volatile float store.
#include <cstdint>

#include "gpu/crt_map.h"

namespace {

typedef long double ext;

const ext kPi = 3.14159265358979323846264338327950288L;
constexpr uint32_t kCrtMapMaxSide = 16384;

inline ext x87_sin(ext x) {
  ext r;
  asm("fsin" : "=t"(r) : "0"(x));
  return r;
}

inline ext x87_cos(ext x) {
  ext r;
  asm("fcos" : "=t"(r) : "0"(x));
  return r;
}

// fistp in the current rounding mode: a floor under round-down.
inline int32_t x87_int(ext x) {
  int32_t r;
  asm("fistpl %0" : "=m"(r) : "t"(x) : "st");
  return r;
}

inline float single(ext x) {
  volatile float f = float(x);
  return f;
}

float scanline_depth(uint32_t sh, uint32_t oh, const CrtMapShape& s) {
  uint32_t flat = sh * 6 / 5, span = sh * 9 / 5;
  if (!s.scanlines || oh <= flat) return 0.0f;
  uint32_t n = oh - flat < span ? oh - flat : span;
  ext angle = kPi * ext(sh) / ext(oh);
  return single(ext(n) / ext(span) * ext(s.scanlineContrast) * x87_sin(angle) / angle);
}

// Per-column values, computed once per build: a, a*a, a*a*k + 1 (with Distortion)
// and the horizontal position D (without it). Same operations as per pixel, so the
// same values; only the repetition is gone.
struct Column {
  float a, aa;
  ext curve;
  int32_t d;
};
Column g_columns[kCrtMapMaxSide];

void write_entry(uint32_t* map, int32_t d, int32_t g, int32_t brightness, uint32_t sw, uint32_t sh) {
  const uint32_t px = uint32_t(d >> 8), py = uint32_t(g >> 8);
  if (px >= sw + 1 || py >= sh + 1) {
    map[0] = map[1] = map[2] = 0;
    return;
  }
  const int32_t fx = d & 255, fy = g & 255;
  const int32_t w00 = ((256 - fx) * (256 - fy) * brightness) >> 16;
  const int32_t w10 = (fx * (256 - fy) * brightness) >> 16;
  const int32_t w01 = (fy * (256 - fx) * brightness) >> 16;
  const int32_t w11 = brightness - w00 - w10 - w01;
  map[0] = px + py * (sw + 2);
  map[1] = uint32_t(w00) | uint32_t(w10) << 16;
  map[2] = uint32_t(w01) | uint32_t(w11) << 16;
}

}  // namespace

float crt_map_scanline_depth_rounded(uint32_t sh, uint32_t oh, const CrtMapShape& shape) {
  return scanline_depth(sh, oh, shape);
}

void crt_map_build_rounded(uint32_t* map, uint32_t sw, uint32_t sh, uint32_t ow, uint32_t oh,
                           const CrtMapShape& s) {
  const ext t = scanline_depth(sh, oh, s);
  const ext k = s.curvature, v = s.vignette, base = s.scanlineBase;
  const ext halfW = ext(sw) / 2, halfH = ext(sh) / 2;
  const ext centreX = halfW + 0.5L, centreY = halfH + 0.5L;
  for (uint32_t j = 0; j < ow; j++) {
    Column& c = g_columns[j];
    c.a = single((ext(j) + 0.5L) / ext(ow) * 2 - 1);
    c.aa = single(ext(c.a) * ext(c.a));
    c.curve = ext(c.aa) * k + 1;
    c.d = x87_int((ext(c.a) * halfW + centreX) * 256);
  }
  for (uint32_t i = 0; i < oh; i++) {
    const float u = single((ext(i) + 0.5L) / ext(oh) * 2 - 1);
    const float uu = single(ext(u) * ext(u));
    if (!s.distortion) {
      // Flat: the row fixes Y and the brightness, the column X.
      const ext y = ext(u) * halfH + centreY;
      const int32_t g = x87_int(y * 256);
      const ext h = s.scanlines ? x87_cos((y + 0.25L) * 2 * kPi) * t + base : ext(1);
      const int32_t brightness = x87_int(h * 256);
      for (uint32_t j = 0; j < ow; j++, map += 3) write_entry(map, g_columns[j].d, g, brightness, sw, sh);
      continue;
    }
    const ext curveU = ext(uu) * k + 1;
    for (uint32_t j = 0; j < ow; j++, map += 3) {
      const Column& c = g_columns[j];
      const ext x = ext(c.a) * curveU * halfW + centreX;
      const ext y = ext(u) * c.curve * halfH + centreY;
      const int32_t d = x87_int(x * 256), g = x87_int(y * 256);
      ext h = s.scanlines ? x87_cos((y + 0.25L) * 2 * kPi) * t + base : ext(1);
      h *= 1 - (ext(uu) + ext(c.aa)) * v;
      write_entry(map, d, g, x87_int(h * 256), sw, sh);
    }
  }
}
