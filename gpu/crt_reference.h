// CPU reference of the CRT compute shader: every operation, one thread per pixel,
// in the same 32-bit integer arithmetic, and the whole pass order of a frame.
// It is the oracle for the GPU pipeline and for the unit tests.
#pragma once
#include <cstdint>

#include "gpu/crt_job.h"

struct CrtReferenceInputs {
  const uint32_t* a;        // t0, a padded picture
  const uint32_t* b;        // t1, a padded picture or null
  const uint32_t* maps;     // t2
  const uint32_t* chroma;   // t3: sw column values, then sh row values
  const uint32_t* palette;  // t4
  const uint8_t* indexed;   // t5: source rows packed at inputPitch bytes
};

// One dispatch: writes every pixel of out, (sw+2) x (sh+2) padded pixels, or
// ow x oh for operation 9.
void crt_reference_operation(const CrtParams& params, const CrtReferenceInputs& in, uint32_t* out);

// A whole frame in the order of crt_pass_plan: fills job.output and, with
// persistence on, job.persistenceState. Allocates its work pictures; returns 0
// when that fails.
int crt_reference_render(const CrtFrameJob& job);

inline uint32_t crt_luma(uint32_t p) { return ((p & 255) + 2 * ((p >> 8) & 255) + ((p >> 16) & 255)) >> 2; }
