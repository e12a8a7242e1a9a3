// CrtProcessFrame's bookkeeping: rejection limits, buffers per size, map versions,
// the persistence gain and reset rules. The GPU is the CPU reference (crt_fakes).
#include "gpu/crt_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "gpu/crt_constants.h"
#include "shell/config.h"
#include "tests/gpu/crt_fakes.h"

namespace {

struct CrtFrameTest : ::testing::Test {
  CrtSettings saved = g_settings;
  std::vector<uint8_t> source = std::vector<uint8_t>(16 * 10, 3);
  uint8_t palette[1024] = {};
  void SetUp() override {
    config_set_defaults(&g_settings, nullptr, nullptr);
    g_settings.crtFiltersEnabled = 1;
    CrtSettingsChanged();
    CrtFreeBuffers();
    g_crtFakes = CrtFakes{1000, 1, 0, 0, {}};
    palette[12] = 200;  // entry 3: blue 200
  }
  void TearDown() override {
    CrtFreeBuffers();
    g_settings = saved;
    CrtSettingsChanged();
  }
  int frame(int32_t paused = 0, int32_t restart = 0, uint32_t ow = 40, uint32_t oh = 30) {
    return CrtProcessFrame(source.data(), palette, 16, 10, 16, ow, oh, paused, restart);
  }
};

TEST(CrtRequest, RejectionLimits) {
  static const uint8_t byte = 0;
  const uint32_t cases[][8] = {
      // source given, bytes per pixel, source size, pitch, output size -> valid
      {1, 1, 320, 200, 320, 640, 480, 1},      {0, 1, 320, 200, 320, 640, 480, 0},
      {1, 1, 4096, 4096, 4096, 640, 480, 1},   {1, 1, 4097, 200, 4097, 640, 480, 0},
      {1, 1, 320, 4097, 320, 640, 480, 0},     {1, 1, 0, 200, 320, 640, 480, 0},
      {1, 1, 320, 0, 320, 640, 480, 0},        {1, 1, 320, 200, 320, 16384, 16383, 1},
      {1, 1, 320, 200, 320, 16384, 16384, 0},  // ow*oh reaches 0x10000000
      {1, 1, 320, 200, 320, 16385, 1, 0},      {1, 1, 320, 200, 320, 0, 480, 0},
      {1, 1, 320, 200, 320, 640, 0, 0},        {1, 1, 320, 200, 319, 640, 480, 0},   // pitch below a row
      {1, 4, 320, 200, 1279, 640, 480, 0},     {1, 4, 320, 200, 1280, 640, 480, 1},  // rows of 1280
      {1, 1, 320, 4096, 0x100000, 640, 480, 1},  // extent 0x100000*4095 + 320 < 2^32
      {1, 1, 320, 4096, 0x100100, 640, 480, 0},  // beyond 32 bits
  };
  for (const auto& c : cases)
    EXPECT_EQ(crt_request_valid(c[0] ? &byte : nullptr, c[1], c[2], c[3], c[4], c[5], c[6]), int(c[7]))
        << c[2] << "x" << c[3] << " pitch " << c[4] << " -> " << c[5] << "x" << c[6];
}

TEST_F(CrtFrameTest, RejectedFrameCallsNothing) {
  EXPECT_EQ(CrtProcessFrame(source.data(), palette, 16, 10, 15, 40, 30, 0, 0), 0);
  EXPECT_EQ(g_crtFakes.renders, 0);
  EXPECT_EQ(g_crtFakes.fatals, 0);
  EXPECT_EQ(CrtOutputPicture(), nullptr);
}

TEST_F(CrtFrameTest, MapRebuiltOnlyOnChange) {
  ASSERT_EQ(frame(), 1);
  uint32_t v = crt_frame_info().mapsVersion;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(crt_frame_info().mapsVersion, v);  // nothing changed
  g_settings.Glow ^= 1;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(crt_frame_info().mapsVersion, v);  // not a map switch
  g_settings.Scanlines ^= 1;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(crt_frame_info().mapsVersion, v + 1);
  ASSERT_EQ(frame(0, 0, 41, 30), 1);
  EXPECT_EQ(crt_frame_info().mapsVersion, v + 2);  // output size
  CrtSettingsChanged();
  ASSERT_EQ(frame(0, 0, 41, 30), 1);
  EXPECT_EQ(crt_frame_info().mapsVersion, v + 3);
  EXPECT_EQ(g_crtFakes.lastJob.mapsVersion, v + 3);
  EXPECT_EQ(g_crtFakes.lastJob.outputWidth, 41u);
  EXPECT_EQ(g_crtFakes.lastJob.bleedCenterWeight, 10u);
}

TEST_F(CrtFrameTest, OutputIsTheRenderedPicture) {
  g_settings.Distortion = g_settings.Scanlines = g_settings.Glow = g_settings.Bloom = 0;
  g_settings.Persistence = g_settings.ColorBleeding = g_settings.ChromaticSeparation = 0;
  // Only the mask, at 2.5x over a picture of blue 200: x = 8*40/32 = 10 and
  // y = 5*40/20 = 10 give the gain 246, which dims blue to 192 in the red and green
  // columns. Row 12 and columns 18-20 sample the inside only.
  ASSERT_EQ(frame(0, 0, 40, 25), 1);
  const uint32_t* out = CrtOutputPicture();
  EXPECT_EQ(out[12 * 40 + 18], 192u);
  EXPECT_EQ(out[12 * 40 + 19], 192u);
  EXPECT_EQ(out[12 * 40 + 20], 200u);
  EXPECT_LT(out[0], 192u);  // the corner blends in the black border
}

TEST_F(CrtFrameTest, PersistenceGainAndReset) {
  g_settings.Persistence = 1;
  g_settings.PersistenceMs = 5;
  CrtSettingsChanged();
  struct Step {
    uint32_t advance;
    int32_t paused, restart;
    uint32_t gain, reset;
  } steps[] = {
      {0, 0, 0, 0, 1},      // first frame: not primed; 1000 ms since clock 0
      {5, 0, 0, 94, 0},     // 256 e^-1 = 94.2
      {10, 0, 0, 35, 0},    // 256 e^-2
      {1024, 0, 0, 0, 0},   // 1024 ms or more: the previous state vanishes
      {1023, 0, 0, 0, 0},   // decay[1023] of a 5 ms persistence is 0 too
      {3, 1, 0, 256, 0},    // paused: the picture holds
      {700, 0, 0, 256, 0},  // the frame after a pause holds as well
      {1, 0, 0, 210, 0},    // 256 e^-0.2 = 209.6
      {1, 0, 1, 210, 1},    // a restart: exactly one reset frame
      {1, 0, 1, 210, 0},
  };
  int n = 0;
  for (const Step& s : steps) {
    g_crtFakes.clock += s.advance;
    ASSERT_EQ(frame(s.paused, s.restart), 1);
    EXPECT_EQ(g_crtFakes.lastJob.persistenceGain, s.gain) << "step " << n;
    EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, s.reset) << "step " << n;
    n++;
  }
  // Un-priming: the next frame resets, once.
  CrtResetPersistence();
  ASSERT_EQ(frame(0, 1), 1);
  EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, 1u);
  ASSERT_EQ(frame(0, 1), 1);
  EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, 0u);
  // A new source size un-primes too.
  source.resize(17 * 10);
  ASSERT_EQ(CrtProcessFrame(source.data(), palette, 17, 10, 17, 40, 30, 0, 1), 1);
  EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, 1u);
}

TEST_F(CrtFrameTest, PersistenceOffNeverPrimes) {
  g_settings.Persistence = 0;
  ASSERT_EQ(frame(), 1);
  g_settings.Persistence = 1;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, 1u);
}

TEST_F(CrtFrameTest, GpuFailureIsFatal) {
  g_settings.Persistence = 1;
  g_crtFakes.renderResult = 0;
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(g_crtFakes.fatals, 1);
  // A failed frame leaves persistence un-primed.
  g_crtFakes.renderResult = 1;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, 1u);
}

TEST_F(CrtFrameTest, ChromaTablesFollowTheSwitchAndStrength) {
  g_settings.ChromaticStrengthPercent = 150;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(crt_frame_info().chromaColumns[0], 240u);  // b = 1 at column 0 of 16
  EXPECT_EQ(crt_frame_info().chromaRows[0], 150u);
  g_settings.ChromaticStrengthPercent = 100;
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(crt_frame_info().chromaColumns[0], 240u);  // still valid until settings change
  CrtSettingsChanged();
  ASSERT_EQ(frame(), 1);
  EXPECT_EQ(crt_frame_info().chromaColumns[0], 160u);
}

}  // namespace
