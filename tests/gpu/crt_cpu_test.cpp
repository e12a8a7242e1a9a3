// The CPU executor of the CRT passes against the one-pixel-at-a-time reference: whole frames
// (each effect alone, every effect, indexed and 32-bit sources, sizes that are not multiples of
// the band or narrower than the blurs, mask beyond 4x, map weights beyond 256), three frames
// each so persistence carries its state, for 1, 2 and 8 threads; and CrtProcessFrame routed to it.
#include "gpu/crt_cpu.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/worker_pool.h"
#include "gpu/crt_constants.h"
#include "gpu/crt_frame.h"
#include "gpu/crt_map.h"
#include "gpu/crt_reference.h"
#include "shell/config.h"
#include "tests/gpu/crt_fakes.h"

namespace {

struct Case {
  const char* name;
  uint32_t sw, sh, ow, oh;
  uint32_t glow, bloom, persistence, bleeding, chromatic, mask, trueColor;
  uint32_t wide;  // some map weights sum beyond 256
};

const Case kCases[] = {
    {"decode", 13, 11, 13, 11, 0, 0, 0, 0, 0, 0, 0, 0},
    {"bloom", 13, 11, 30, 22, 0, 1, 0, 0, 0, 0, 0, 0},
    {"glow", 13, 11, 30, 22, 1, 0, 0, 0, 0, 0, 0, 0},
    {"persistence", 13, 11, 13, 11, 0, 0, 1, 0, 0, 0, 0, 0},
    {"bleeding", 13, 11, 13, 11, 0, 0, 0, 1, 0, 0, 0, 0},
    {"chromatic", 13, 11, 13, 11, 0, 0, 0, 0, 1, 0, 0, 0},
    {"narrower than the blurs", 3, 2, 17, 9, 1, 1, 1, 1, 1, 1, 0, 0},
    {"one pixel", 1, 1, 5, 5, 1, 1, 1, 1, 1, 1, 0, 0},
    {"every effect", 37, 23, 161, 97, 1, 1, 1, 1, 1, 1, 0, 1},
    {"every effect 32-bit", 21, 19, 60, 45, 1, 1, 1, 1, 1, 1, 1, 0},
    {"every effect 320x200", 320, 200, 640, 480, 1, 1, 1, 1, 1, 1, 0, 0},
};

uint32_t g_seed = 99;
uint32_t next_random() {
  g_seed = g_seed * 1103515245u + 12345u;
  return g_seed >> 8;
}

struct Result {
  std::vector<uint32_t> output, state;
};

// The first pixel where two pictures differ, or -1.
long first_difference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  for (size_t i = 0; i < a.size(); i++)
    if (a[i] != b[i]) return long(i);
  return -1;
}

TEST(CrtCpu, EqualsTheReferenceForAnyThreadCount) {
  for (const Case& c : kCases) {
    uint32_t bytes = c.trueColor ? 4 : 1, pitch = c.sw * bytes + 5;
    std::vector<uint32_t> maps(size_t(c.ow) * c.oh * 3), columns(c.sw), rows(c.sh);
    crt_map_build(maps.data(), c.sw, c.sh, c.ow, c.oh, CrtMapShape{1, 1, 0.025f, 0.025f, 0.9f, 0.1f});
    crt_chroma_tables(c.sw, c.sh, 150, columns.data(), rows.data());
    for (size_t i = 0; c.wide && i < maps.size(); i += 3 * 5) maps[i + 2] += 300u << 16;
    Result reference, threads[3];
    for (Result* r : {&reference, &threads[0], &threads[1], &threads[2]}) {
      r->output.assign(size_t(c.ow) * c.oh, 1);
      r->state.assign(size_t(c.sw + 2) * (c.sh + 2), 0);
    }
    for (uint32_t frame = 0; frame < 3; frame++) {
      // Flat areas, edges and noise; palette entries whose fourth bytes are not 0.
      std::vector<uint8_t> source(size_t(pitch) * c.sh, 0xEE), palette(1024);
      for (uint32_t y = 0; y < c.sh; y++)
        for (uint32_t x = 0; x < c.sw; x++) {
          uint32_t v = (x / 4 + y / 3 + frame) % 3 == 0 ? next_random() : (x * 37 + y * 11) * 0x01010101u;
          for (uint32_t b = 0; b < bytes; b++)
            source[size_t(y) * pitch + x * bytes + b] = uint8_t(v >> (8 * b));
        }
      for (uint8_t& v : palette) v = uint8_t(next_random());
      CrtFrameJob job = {source.data(),
                         c.trueColor ? nullptr : palette.data(),
                         maps.data(),
                         nullptr,
                         nullptr,
                         columns.data(),
                         rows.data(),
                         c.sw,
                         c.sh,
                         c.ow,
                         c.oh,
                         pitch,
                         1,
                         c.glow,
                         c.bloom,
                         c.persistence,
                         c.bleeding,
                         c.chromatic,
                         c.mask,
                         96,
                         50,
                         100,
                         60,
                         3,
                         10,
                         128,
                         frame == 2 ? 0u : 180u,
                         frame == 0};
      job.output = reference.output.data();
      job.persistenceState = reference.state.data();
      ASSERT_EQ(crt_reference_render(job), 1);
      for (uint32_t p : reference.state) ASSERT_EQ(p >> 24, 0u) << c.name << ": the state's top byte";
      for (int t = 0; t < 3; t++) {
        worker_pool_set_threads(t == 0 ? 1 : t == 1 ? 2 : 8);
        job.output = threads[t].output.data();
        job.persistenceState = threads[t].state.data();
        ASSERT_EQ(crt_cpu_render(job), 1);
        EXPECT_EQ(first_difference(threads[t].output, reference.output), -1) << c.name << ", frame " << frame;
        EXPECT_EQ(first_difference(threads[t].state, reference.state), -1) << c.name << ", frame " << frame;
      }
    }
  }
  worker_pool_set_threads(0);
  crt_cpu_release();
}

// Recording's route: the same outputs as through CrtRender (here the reference), frame after
// frame with the clock moving, persistence carried over and restarted by a new run.
TEST(CrtCpu, ProcessFrameOnTheCpu) {
  CrtSettings saved = g_settings;
  config_set_defaults(&g_settings, nullptr, nullptr);
  g_settings.Persistence = 1;
  std::vector<uint8_t> source(320 * 200), palette(1024);
  for (uint8_t& v : palette) v = uint8_t(next_random());
  std::vector<std::vector<uint32_t>> outputs[2];
  for (int cpu = 0; cpu < 2; cpu++) {
    CrtSettingsChanged();
    CrtFreeBuffers();
    crt_frame_use_cpu(cpu);
    g_crtFakes = CrtFakes{1000, 1, 0, 0, {}};
    for (int32_t frame = 0; frame < 4; frame++) {
      for (size_t i = 0; i < source.size(); i++) source[i] = uint8_t((i / 320 + i * (frame + 1)) / 7);
      g_crtFakes.clock += 14;
      ASSERT_EQ(CrtProcessFrame(source.data(), palette.data(), 320, 200, 320, 640, 480, 0, frame / 3), 1);
      outputs[cpu].emplace_back(CrtOutputPicture(), CrtOutputPicture() + 640 * 480);
    }
    EXPECT_EQ(g_crtFakes.renders, cpu ? 0 : 4);
  }
  crt_frame_use_cpu(0);
  CrtFreeBuffers();
  g_settings = saved;
  CrtSettingsChanged();
  for (size_t f = 0; f < outputs[0].size(); f++)
    EXPECT_EQ(first_difference(outputs[1][f], outputs[0][f]), -1) << "frame " << f;
}

}  // namespace
