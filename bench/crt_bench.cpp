// CRT preparation speed: the sample-map build at 640x480, 1920x1080 and 3840x2160 from
// 320x200 (every switch combination that builds a different map), and whole frames with
// every effect at 640x480 and 1920x1080: the CPU reference, the CPU executor on one
// thread and on all of them, beside the plain nearest-neighbour composition. Single-thread
// times are the thread's CPU time (best of several runs), so a busy machine inflates them
// less than wall time; the executor's are wall time.
#include <time.h>

#include <cstdio>
#include <vector>

#include "base/worker_pool.h"
#include "gpu/crt_cpu.h"
#include "gpu/crt_job.h"
#include "gpu/crt_map.h"
#include "gpu/crt_reference.h"
#include "shell/compose.h"

namespace {

double now_ms() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Threads spread the work, so the executor is timed on the wall clock.
double wall_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename F>
double best_of(int runs, double (*clock)(), F f) {
  double best = 1e30;
  for (int i = 0; i < runs; i++) {
    double start = clock();
    f();
    double t = clock() - start;
    best = t < best ? t : best;
  }
  return best;
}

}  // namespace

int main() {
  const uint32_t sw = 320, sh = 200;
  printf("sample map from %ux%u, best of 3 (ms of CPU time):\n", sw, sh);
  printf("  %-10s %12s %12s %12s %12s\n", "output", "all on", "no curve", "no lines", "both off");
  const uint32_t sizes[3][2] = {{640, 480}, {1920, 1080}, {3840, 2160}};
  for (const auto& size : sizes) {
    std::vector<uint32_t> map(size_t(size[0]) * size[1] * 3);
    printf("  %4ux%-5u", size[0], size[1]);
    for (uint32_t switches : {3u, 1u, 2u, 0u}) {
      CrtMapShape shape = {switches & 1, switches >> 1, 0.025f, 0.025f, 0.9f, 0.1f};
      printf(" %12.1f",
             best_of(3, now_ms, [&] { crt_map_build(map.data(), sw, sh, size[0], size[1], shape); }));
    }
    printf("\n");
  }

  // Whole frames with every effect on (persistence too) from 320x200: the reference (one
  // pixel at a time), the CPU executor on one thread and on all, the plain composition.
  std::vector<uint8_t> source(sw * sh), palette(1024);
  for (uint32_t i = 0; i < sw * sh; i++) source[i] = uint8_t(i * 7 + i / sw);
  for (uint32_t i = 0; i < 1024; i++) palette[i] = i % 4 == 3 ? 0 : uint8_t(i * 13);
  uint32_t all = worker_pool_threads();
  printf(
      "whole frame from %ux%u, every effect, best of 9; CPU time of the thread (reference, 1 thread, plain), "
      "wall time (executor), ms:\n  %-10s %10s %12s %12s %12s\n",
      sw, sh, "output", "reference", "1 thread", "threads", "plain");
  for (const auto& size : {sizes[0], sizes[1]}) {
    uint32_t ow = size[0], oh = size[1];
    std::vector<uint32_t> map(size_t(ow) * oh * 3), output(size_t(ow) * oh), state((sw + 2) * (sh + 2));
    std::vector<uint32_t> columns(sw), rows(sh);
    crt_map_build(map.data(), sw, sh, ow, oh, CrtMapShape{1, 1, 0.025f, 0.025f, 0.9f, 0.1f});
    crt_chroma_tables(sw, sh, 100, columns.data(), rows.data());
    CrtFrameJob job = {source.data(),
                       palette.data(),
                       map.data(),
                       output.data(),
                       state.data(),
                       columns.data(),
                       rows.data(),
                       sw,
                       sh,
                       ow,
                       oh,
                       sw,
                       1,
                       1,
                       1,
                       1,
                       1,
                       1,
                       1,
                       96,
                       50,
                       160,
                       60,
                       3,
                       10,
                       40,
                       200,
                       0};
    double reference = best_of(3, now_ms, [&] { crt_reference_render(job); });
    double one, many;
    worker_pool_set_threads(1);
    one = best_of(9, now_ms, [&] { crt_cpu_render(job); });
    worker_pool_set_threads(all);
    many = best_of(9, wall_ms, [&] { crt_cpu_render(job); });
    ComposeRect d = {0, 0, int(ow), int(oh)};
    double plain = best_of(9, now_ms, [&] {
      compose_reference(source.data(), palette.data(), int(sw), int(sh), output.data(), int(ow), int(oh), d);
    });
    printf("  %4ux%-5u %10.2f %12.2f %9.2f (%u) %12.2f\n", ow, oh, reference, one, many, all, plain);
  }
  return 0;
}
