// The request that the CRT preparation hands to the GPU pipeline, the 64-byte
// constant block the compute shader reads, and the shader's operation numbers.
//
// Pictures are 32-bit pixels: blue bits 0-7, green 8-15, red 16-23, 0 above.
// Every intermediate picture is padded: (sw+2) x (sh+2) pixels with a black
// one-pixel border, padded (x, y) holding source (x-1, y-1).
//
// Sample map: 12 bytes (three 32-bit words) per output pixel, rows top down:
//   word 0: padded index i of the top-left pixel of the 2x2 neighbourhood;
//   word 1: w00 (pixel i) low 16 bits, w10 (pixel i+1) high 16 bits;
//   word 2: w01 (pixel i+sw+2) low, w11 (pixel i+sw+3) high.
// The weights sum to the pixel's brightness in 1/256 units; an entry outside the
// picture is all zero.
#pragma once
#include <cstdint>

constexpr uint32_t kCrtMaxSourceSide = 4096;
constexpr uint32_t kCrtMaxOutputSide = 16384;
constexpr uint32_t kCrtMaxOutputPixels = 0x10000000;
constexpr uint32_t kCrtMapWords = 3;

struct CrtFrameJob {
  const uint8_t* source;
  const uint8_t* palette;  // 256 x (blue, green, red, 0); null for a 32-bit source
  const uint32_t* maps;
  uint32_t* output;            // outputWidth * outputHeight pixels
  uint32_t* persistenceState;  // (sourceWidth+2) * (sourceHeight+2) pixels
  const uint32_t* chromaColumns;
  const uint32_t* chromaRows;
  uint32_t sourceWidth, sourceHeight;
  uint32_t outputWidth, outputHeight;
  uint32_t sourcePitch;
  uint32_t mapsVersion;
  uint32_t glowOn, bloomOn, persistenceOn, bleedingOn, chromaticOn, maskOn;
  uint32_t GlowThreshold, GlowStrengthPercent;
  uint32_t BloomThreshold, BloomStrengthPercent;
  uint32_t BleedingSideWeight, bleedCenterWeight;
  uint32_t MaskStrength256;
  uint32_t persistenceGain;   // 0..256
  uint32_t persistenceReset;  // 1: the persistence state restarts
};

// The shader's constant buffer b0, in this order.
struct CrtParams {
  uint32_t sw, sh, ow, oh;
  uint32_t glowThreshold, glowStrength, bloomThreshold, bloomStrength;
  uint32_t bleedSide, bleedCenter, maskGain, persistenceGain;
  uint32_t operation, persistenceReset, inputPitch, trueColor;
};
static_assert(sizeof(CrtParams) == 64, "the shader reads 64 bytes");

enum CrtOperation : uint32_t {
  kCrtDecode = 0,
  kCrtBloomBright = 1,
  kCrtBloomBlurX = 2,
  kCrtBloomCombine = 3,
  kCrtGlowBright = 4,
  kCrtGlowBlurX = 5,
  kCrtGlowCombine = 6,
  kCrtPersistence = 7,
  kCrtBleed = 8,
  kCrtResample = 9,
  kCrtChromatic = 10,
};

// 256, or less when the mask is on and the output is more than twice the source
// both ways: it fades in between 2x and 4x.
uint32_t crt_mask_gain(uint32_t maskOn, uint32_t maskStrength, uint32_t sw, uint32_t sh, uint32_t ow,
                       uint32_t oh);

// Params for a job, operation 0.
CrtParams crt_params_from_job(const CrtFrameJob& job);

// One step of the pass table: operation, inputs A and B and output, as work-buffer
// names. The result buffer and the persistence buffer have names of their own.
enum CrtBuffer : uint8_t { kX0, kX1, kY0, kY1, kPersistenceBuffer, kResultBuffer, kNoBuffer };

struct CrtPass {
  uint32_t operation;
  CrtBuffer a, b, out;
};

constexpr int kCrtMaxPasses = 11;

// The passes of a job in order; returns their count (2..11).
int crt_pass_plan(const CrtFrameJob& job, CrtPass passes[kCrtMaxPasses]);
