// The CRT passes on the CPU, for recordings: the same pass table, arithmetic and
// bytes as the compute shader and its reference (gpu/crt_reference.h), written as
// row loops over bands of rows that the worker pool (base/worker_pool.h) shares out.
// Every pixel depends on the previous pass alone, so the bands' order and the
// thread count leave the output unchanged.
#pragma once
#include "gpu/crt_job.h"

// Fills job.output and, with persistence on, job.persistenceState. The work pictures
// are kept across frames and replaced on a source-size change; 0 when they cannot be
// allocated.
int crt_cpu_render(const CrtFrameJob& job);

// Frees the work pictures.
void crt_cpu_release();
