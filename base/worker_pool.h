// A fixed set of worker threads that runs numbered tasks: worker_pool_run hands out
// the indices 0..count-1 (the calling thread takes its share) and returns when all
// are done. Which thread runs which index depends on timing, so a task's result must
// depend on its index alone. One caller at a time; the workers start on first use.
#pragma once
#include <cstdint>

constexpr uint32_t kWorkerPoolMaxThreads = 64;

typedef void (*WorkerTask)(void* context, uint32_t index);

void worker_pool_run(uint32_t count, WorkerTask task, void* context);

// Threads that share the work, the caller included: the processor count unless set.
uint32_t worker_pool_threads();

// 1..kWorkerPoolMaxThreads threads from the next run on (0: the processor count).
void worker_pool_set_threads(uint32_t threads);

// Ends the workers (at shutdown); a later run starts them again.
void worker_pool_stop();
