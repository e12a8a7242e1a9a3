// The CPU executor of the CRT passes against the one-pixel-at-a-time reference: whole frames
// (each effect alone, every effect, indexed and 32-bit sources, sizes that are not multiples of
// the band or narrower than the blurs, mask beyond 4x, map weights beyond 256), three frames
// each so persistence carries its state, for 1, 2 and 8 threads. The reference's own frames are
// pinned by a hash: its operations were checked by hand, and this keeps them, the pass order and
// the parameters taken from the job as they are.
#include "gpu/crt_cpu.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/worker_pool.h"
#include "gpu/crt_map.h"
#include "gpu/crt_reference.h"
#include "tests/test_files.h"

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
    {"every effect 320x3", 320, 3, 640, 12, 1, 1, 1, 1, 1, 1, 0, 0},  // a new height alone: new work pictures
};

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
  uint32_t seed = 99;
  auto next_random = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  uint64_t referenceHash = kFnvBasis;
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
      // Persistence restarts on the first frame, fades on the second and holds on the third.
      const uint32_t gain = frame == 2 ? 0 : 180, reset = frame == 0;
      const uint8_t* indexed = c.trueColor ? nullptr : &palette[0];
      CrtFrameJob job = {&source[0], indexed, &maps[0], nullptr,       nullptr,    &columns[0],
                         &rows[0],   c.sw,    c.sh,     c.ow,          c.oh,       pitch,
                         1,          c.glow,  c.bloom,  c.persistence, c.bleeding, c.chromatic,
                         c.mask,     96,      50,       100,           60,         3,
                         10,         128,     gain,     reset};
      job.output = reference.output.data();
      job.persistenceState = reference.state.data();
      ASSERT_EQ(crt_reference_render(job), 1);
      for (uint32_t p : reference.state) ASSERT_EQ(p >> 24, 0u) << c.name << ": the state's top byte";
      referenceHash = test_fnv1a(referenceHash, reference.output.data(), reference.output.size() * 4);
      referenceHash = test_fnv1a(referenceHash, reference.state.data(), reference.state.size() * 4);
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
  EXPECT_EQ(referenceHash, 0x000DE76183009DE8ull);
}

}  // namespace
