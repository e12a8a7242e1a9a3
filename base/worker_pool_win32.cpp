// The worker pool on Win32 threads (this toolchain's thread model has no std::thread).
#include <windows.h>

#include <atomic>

#include "base/worker_pool.h"

namespace {

struct Pool {
  SRWLOCK lock;
  CONDITION_VARIABLE wake, done;
  HANDLE workers[kWorkerPoolMaxThreads];
  uint32_t started, wanted;  // threads besides the caller; wanted 0: the processor count
  uint32_t generation;
  bool stopping;
  WorkerTask task;
  void* context;
  uint32_t count, busy;
  std::atomic<uint32_t> next;
};

Pool g_pool = {SRWLOCK_INIT,
               CONDITION_VARIABLE_INIT,
               CONDITION_VARIABLE_INIT,
               {},
               0,
               0,
               0,
               false,
               nullptr,
               nullptr,
               0,
               0,
               {}};

void take_tasks() {
  for (uint32_t i; (i = g_pool.next.fetch_add(1)) < g_pool.count;) g_pool.task(g_pool.context, i);
  AcquireSRWLockExclusive(&g_pool.lock);
  if (--g_pool.busy == 0) WakeAllConditionVariable(&g_pool.done);
  ReleaseSRWLockExclusive(&g_pool.lock);
}

// start: the generation at the thread's creation; the next one is its first run.
DWORD WINAPI worker_main(void* start) {
  uint32_t seen = uint32_t(reinterpret_cast<uintptr_t>(start));
  for (;;) {
    AcquireSRWLockExclusive(&g_pool.lock);
    while (!g_pool.stopping && g_pool.generation == seen)
      SleepConditionVariableSRW(&g_pool.wake, &g_pool.lock, INFINITE, 0);
    bool stop = g_pool.stopping;
    seen = g_pool.generation;
    ReleaseSRWLockExclusive(&g_pool.lock);
    if (stop) return 0;
    take_tasks();
  }
}

uint32_t processors() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  uint32_t n = info.dwNumberOfProcessors;
  return n < 1 ? 1 : n < kWorkerPoolMaxThreads ? n : kWorkerPoolMaxThreads;
}

}  // namespace

uint32_t worker_pool_threads() { return g_pool.wanted ? g_pool.wanted : processors(); }

void worker_pool_stop() {
  AcquireSRWLockExclusive(&g_pool.lock);
  g_pool.stopping = true;
  ReleaseSRWLockExclusive(&g_pool.lock);
  WakeAllConditionVariable(&g_pool.wake);
  for (uint32_t i = 0; i < g_pool.started; i++) {
    WaitForSingleObject(g_pool.workers[i], INFINITE);
    CloseHandle(g_pool.workers[i]);
  }
  g_pool.started = 0;
  g_pool.stopping = false;
}

void worker_pool_set_threads(uint32_t threads) {
  worker_pool_stop();
  g_pool.wanted = threads < kWorkerPoolMaxThreads ? threads : kWorkerPoolMaxThreads;
}

void worker_pool_run(uint32_t count, WorkerTask task, void* context) {
  uint32_t helpers = worker_pool_threads() - 1;
  // Without the helpers (one processor, or threads that cannot start) the caller does it all.
  for (; g_pool.started < helpers; g_pool.started++) {
    HANDLE thread = CreateThread(nullptr, 0, worker_main,
                                 reinterpret_cast<void*>(uintptr_t(g_pool.generation)), 0, nullptr);
    if (!thread) break;
    g_pool.workers[g_pool.started] = thread;
  }
  helpers = g_pool.started;
  if (helpers == 0 || count <= 1) {
    for (uint32_t i = 0; i < count; i++) task(context, i);
    return;
  }
  AcquireSRWLockExclusive(&g_pool.lock);
  g_pool.task = task;
  g_pool.context = context;
  g_pool.count = count;
  g_pool.busy = helpers + 1;
  g_pool.next = 0;
  g_pool.generation++;
  ReleaseSRWLockExclusive(&g_pool.lock);
  WakeAllConditionVariable(&g_pool.wake);
  take_tasks();
  AcquireSRWLockExclusive(&g_pool.lock);
  while (g_pool.busy) SleepConditionVariableSRW(&g_pool.done, &g_pool.lock, INFINITE, 0);
  ReleaseSRWLockExclusive(&g_pool.lock);
}
