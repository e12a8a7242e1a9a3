// What the CRT preparation calls outside the portable core: the GPU pipeline, the
// presenter's fatal message and the shell's millisecond clock. Vrinx.exe links
// the real ones; the unit tests link their own.
#pragma once
#include <cstdint>

struct CrtFrameJob;

// 1 when job.output (and the persistence picture) were filled.
int CrtRender(const CrtFrameJob& job);
void PresenterFatal();
uint32_t crt_clock_ms();
