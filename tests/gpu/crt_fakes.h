// The CRT preparation's outside calls, faked for the unit tests: the "GPU" is the
// CPU reference, the clock is a plain variable.
#pragma once
#include <cstdint>

#include "gpu/crt_job.h"

struct CrtFakes {
  uint32_t clock;
  int renderResult;  // what CrtRender answers (the reference runs when 1)
  int renders, fatals;
  CrtFrameJob lastJob;
};
extern CrtFakes g_crtFakes;
