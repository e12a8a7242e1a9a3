// The CRT sample map: for every output pixel, where it samples the padded source
// (curvature), with which bilinear weights, and how bright (vignette, scanlines).
// Entry layout: gpu/crt_job.h.
//
// The map is built in the x87 unit's extended precision with rounding toward minus
// infinity over the whole build (every conversion is a floor), with u, a, u*u, a*a
// and the scanline depth t held as single-precision values. The same bytes come out
// of every toolchain that keeps this: the build sets the control word itself.
#pragma once
#include <cstdint>

struct CrtMapShape {
  uint32_t scanlines, distortion;  // the two switches
  float curvature, vignette;       // k and v
  float scanlineBase, scanlineContrast;
};

// Fills ow*oh entries of 3 words. sw, sh 1..4096; ow, oh 1..16384.
void crt_map_build(uint32_t* map, uint32_t sw, uint32_t sh, uint32_t ow, uint32_t oh,
                   const CrtMapShape& shape);

// The build itself, without touching the control word; crt_map_build runs it with
// the control word set. Kept in a translation unit of its own so that no
// arithmetic moves across the mode change.
void crt_map_build_rounded(uint32_t* map, uint32_t sw, uint32_t sh, uint32_t ow, uint32_t oh,
                           const CrtMapShape& shape);

float crt_map_scanline_depth_rounded(uint32_t sh, uint32_t oh, const CrtMapShape& shape);

// Scanline depth t (0 without scanlines or up to 6/5 enlargement), as the build
// computes it; for tests.
float crt_map_scanline_depth(uint32_t sh, uint32_t oh, const CrtMapShape& shape);

// The chromatic-separation offsets in 1/256 pixel, strongest at the edges:
// sw column values (at most 160 * strength / 100), then sh row values (100 * ...).
void crt_chroma_tables(uint32_t sw, uint32_t sh, uint32_t strengthPercent, uint32_t* columns, uint32_t* rows);
