// The worker pool on the C++ thread library (the native build: tests and benches).
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/worker_pool.h"

namespace {

struct Pool {
  std::mutex lock;
  std::condition_variable wake, done;
  std::thread workers[kWorkerPoolMaxThreads];
  uint32_t started, wanted;  // threads besides the caller; wanted 0: the processor count
  uint32_t generation;
  bool stopping;
  WorkerTask task;
  void* context;
  uint32_t count, busy;
  std::atomic<uint32_t> next;
};

// Never destroyed: workers still waiting at exit end with the process.
Pool& g_pool = *new Pool();

void take_tasks() {
  for (uint32_t i; (i = g_pool.next.fetch_add(1)) < g_pool.count;) g_pool.task(g_pool.context, i);
  std::lock_guard<std::mutex> hold(g_pool.lock);
  if (--g_pool.busy == 0) g_pool.done.notify_all();
}

void worker_main(uint32_t seen) {
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(g_pool.lock);
      g_pool.wake.wait(hold, [seen] { return g_pool.stopping || g_pool.generation != seen; });
      if (g_pool.stopping) return;
      seen = g_pool.generation;
    }
    take_tasks();
  }
}

uint32_t processors() {
  uint32_t n = std::thread::hardware_concurrency();
  return n < 1 ? 1 : n < kWorkerPoolMaxThreads ? n : kWorkerPoolMaxThreads;
}

}  // namespace

uint32_t worker_pool_threads() { return g_pool.wanted ? g_pool.wanted : processors(); }

void worker_pool_stop() {
  {
    std::lock_guard<std::mutex> hold(g_pool.lock);
    g_pool.stopping = true;
  }
  g_pool.wake.notify_all();
  for (uint32_t i = 0; i < g_pool.started; i++) g_pool.workers[i].join();
  g_pool.started = 0;
  g_pool.stopping = false;
}

void worker_pool_set_threads(uint32_t threads) {
  worker_pool_stop();
  g_pool.wanted = threads < kWorkerPoolMaxThreads ? threads : kWorkerPoolMaxThreads;
}

void worker_pool_run(uint32_t count, WorkerTask task, void* context) {
  uint32_t helpers = worker_pool_threads() - 1;
  if (helpers == 0 || count <= 1) {
    for (uint32_t i = 0; i < count; i++) task(context, i);
    return;
  }
  for (; g_pool.started < helpers; g_pool.started++)
    g_pool.workers[g_pool.started] = std::thread(worker_main, g_pool.generation);
  {
    std::lock_guard<std::mutex> hold(g_pool.lock);
    g_pool.task = task;
    g_pool.context = context;
    g_pool.count = count;
    g_pool.busy = helpers + 1;
    g_pool.next = 0;
    g_pool.generation++;
  }
  g_pool.wake.notify_all();
  take_tasks();
  std::unique_lock<std::mutex> hold(g_pool.lock);
  g_pool.done.wait(hold, [] { return g_pool.busy == 0; });
}
