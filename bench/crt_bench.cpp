// CRT preparation speed on one core: the sample-map build at 640x480, 1920x1080 and
// 3840x2160 from 320x200 (every switch combination that builds a different map),
// and the CPU reference of a whole default frame at 640x480 beside the plain
// nearest-neighbour composition of the same frame. Times are the thread's CPU time
// (best of several runs), so a busy machine inflates them less than wall time.
#include <time.h>

#include <cstdio>
#include <vector>

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

template <typename F>
double best_of(int runs, F f) {
  double best = 1e30;
  for (int i = 0; i < runs; i++) {
    double start = now_ms();
    f();
    double t = now_ms() - start;
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
      printf(" %12.1f", best_of(3, [&] { crt_map_build(map.data(), sw, sh, size[0], size[1], shape); }));
    }
    printf("\n");
  }

  // One whole default frame through the CPU reference, every effect on, at 640x480.
  const uint32_t ow = 640, oh = 480;
  std::vector<uint8_t> source(sw * sh), palette(1024);
  for (uint32_t i = 0; i < sw * sh; i++) source[i] = uint8_t(i * 7 + i / sw);
  for (uint32_t i = 0; i < 1024; i++) palette[i] = i % 4 == 3 ? 0 : uint8_t(i * 13);
  std::vector<uint32_t> map(ow * oh * 3), output(ow * oh), state((sw + 2) * (sh + 2)), columns(sw), rows(sh);
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
  double crt = best_of(5, [&] { crt_reference_render(job); });
  ComposeRect d = {0, 0, int(ow), int(oh)};
  double plain = best_of(5, [&] {
    compose_reference(source.data(), palette.data(), int(sw), int(sh), output.data(), int(ow), int(oh), d);
  });
  printf(
      "whole frame %ux%u -> %ux%u, best of 5 (ms of CPU time): CPU reference, all effects %.1f; plain "
      "composition %.2f\n",
      sw, sh, ow, oh, crt, plain);
  return 0;
}
