#include "tests/gpu/crt_fakes.h"

#include "gpu/crt_reference.h"
#include "gpu/gpu_hooks.h"

CrtFakes g_crtFakes = {0, 1, 0, 0, {}};

int CrtRender(const CrtFrameJob& job) {
  g_crtFakes.renders++;
  g_crtFakes.lastJob = job;
  return g_crtFakes.renderResult && crt_reference_render(job);
}

void PresenterFatal() { g_crtFakes.fatals++; }

uint32_t crt_clock_ms() { return g_crtFakes.clock; }
