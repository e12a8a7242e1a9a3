// CrtProcessFrame's bookkeeping (limits, buffers, map versions, persistence) and the constants
// derived from the settings. The GPU is the CPU reference (crt_fakes).
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
  uint8_t palette[1024] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200};  // entry 3: blue 200
  void SetUp() override {
    config_set_defaults(&g_settings, nullptr, nullptr);
    g_settings.crtFiltersEnabled = 1;
    CrtSettingsChanged();
    CrtFreeBuffers();
    g_crtFakes = CrtFakes{1000, 1, 0, 0, {}};
  }
  void TearDown() override {
    crt_frame_use_cpu(0);
    CrtFreeBuffers();
    g_settings = saved;
    CrtSettingsChanged();
  }
  int frame(int32_t paused = 0, int32_t restart = 0, uint32_t ow = 40, uint32_t oh = 30) {
    return CrtProcessFrame(source.data(), palette, 16, 10, 16, ow, oh, paused, restart);
  }
  uint32_t reset_after(int32_t paused = 0, int32_t restart = 0) {
    EXPECT_EQ(frame(paused, restart), 1);
    return g_crtFakes.lastJob.persistenceReset;
  }
};

TEST_F(CrtFrameTest, ContrastLimitAndBleedCentreWeight) {
  // brightness, contrast, bleed side weight -> contrast kept (at most 1000 - brightness), centre weight
  const uint32_t cases[][5] = {
      {950, 100, 3, 50, 10}, {900, 100, 8, 100, 0}, {900, 101, 3, 100, 10}, {1000, 100, 0, 0, 16}};
  for (const auto& c : cases) {
    g_settings.ScanlineBrightnessPermille = c[0], g_settings.ScanlineContrastPermille = c[1],
    g_settings.BleedingSideWeight = c[2];
    CrtSettingsChanged();
    EXPECT_EQ(g_settings.ScanlineContrastPermille, c[3]) << c[0] << "/" << c[1];
    EXPECT_FLOAT_EQ(g_crtConstants.scanlineContrast, c[3] / 1000.0f) << c[0] << "/" << c[1];
    EXPECT_EQ(g_crtConstants.bleedCenterWeight, c[4]) << c[2];
  }
}

TEST(CrtRequest, RejectionLimits) {
  static const uint8_t byte = 0;
  // clang-format off
  const uint32_t cases[][8] = {
      // source given, bytes per pixel, source size, pitch, output size -> valid
      {1, 1, 320, 200, 320, 640, 480, 1},  {0, 1, 320, 200, 320, 640, 480, 0},  {1, 1, 4096, 4096, 4096, 640, 480, 1},
      {1, 1, 4097, 200, 4097, 640, 480, 0}, {1, 1, 320, 4097, 320, 640, 480, 0}, {1, 1, 0, 200, 320, 640, 480, 0},
      {1, 1, 320, 0, 320, 640, 480, 0},  {1, 1, 320, 200, 320, 16384, 16383, 1}, {1, 1, 320, 200, 320, 16385, 1, 0},
      {1, 1, 320, 200, 320, 16384, 16384, 0},  // ow*oh reaches 0x10000000
      {1, 1, 320, 200, 320, 0, 480, 0},  {1, 1, 320, 200, 320, 640, 0, 0},  {1, 1, 320, 200, 319, 640, 480, 0},
      {1, 4, 320, 200, 1279, 640, 480, 0}, {1, 4, 320, 200, 1280, 640, 480, 1},  // rows of 1280 bytes
      {1, 1, 320, 4096, 0x100000, 640, 480, 1},  // extent 0x100000*4095 + 320 < 2^32
      {1, 1, 320, 4096, 0x100100, 640, 480, 0},  // beyond 32 bits
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(crt_request_valid(c[0] ? &byte : nullptr, c[1], c[2], c[3], c[4], c[5], c[6]), int(c[7]))
        << "row " << &c - cases;
}

TEST_F(CrtFrameTest, MapRebuiltOnlyOnChange) {
  auto version = [&](uint32_t ow) { return frame(0, 0, ow, 30) ? crt_frame_info().mapsVersion : 0; };
  const uint32_t v = version(40);
  EXPECT_EQ(version(40), v);  // nothing changed
  g_settings.Glow ^= 1;
  EXPECT_EQ(version(40), v);                  // not a map switch
  EXPECT_EQ(g_crtFakes.lastJob.bloomOn, 1u);  // glow off leaves bloom on
  g_settings.Scanlines ^= 1;
  EXPECT_EQ(version(40), v + 1);
  EXPECT_EQ(version(41), v + 2);  // output size
  CrtSettingsChanged();
  EXPECT_EQ(version(41), v + 3);
  EXPECT_EQ(g_crtFakes.lastJob.mapsVersion, v + 3);
}

// On either route: recordings run the passes on the CPU, without calling CrtRender.
TEST_F(CrtFrameTest, OutputIsTheRenderedPicture) {
  g_settings.Distortion = g_settings.Scanlines = g_settings.Glow = g_settings.Bloom = 0;
  g_settings.Persistence = g_settings.ColorBleeding = g_settings.ChromaticSeparation = 0;
  for (int cpu = 0; cpu < 2; cpu++) {
    crt_frame_use_cpu(cpu);
    // Only the mask, at 2.5x over blue 200: x = 8*40/32 = 10 and y = 5*40/20 = 10 give the gain
    // 246, blue 192 in the red and green columns. Row 12, columns 18-20 sample the inside only.
    ASSERT_EQ(frame(0, 0, 40, 25), 1);
    const uint32_t* out = CrtOutputPicture() + 12 * 40;
    EXPECT_EQ((std::vector<uint32_t>{out[18], out[19], out[20]}), (std::vector<uint32_t>{192, 192, 200}));
    EXPECT_LT(CrtOutputPicture()[0], 192u);  // the corner blends in the black border
  }
  EXPECT_EQ(g_crtFakes.renders, 1);
}

TEST_F(CrtFrameTest, PersistenceGainAndReset) {
  g_settings.Persistence = 1, g_settings.PersistenceMs = 5;
  CrtSettingsChanged();
  // clang-format off
  const uint32_t steps[][5] = {
      // ms advanced, paused, restart count -> gain, reset
      {0, 0, 0, 0, 1},     // first frame: not primed; 1000 ms since clock 0
      {5, 0, 0, 94, 0},    {10, 0, 0, 35, 0},  // 256 e^-1 = 94.2, 256 e^-2
      {1024, 0, 0, 0, 0},  // 1024 ms or more: the previous state vanishes
      {3, 1, 0, 256, 0},   {700, 0, 0, 256, 0},  // paused, and the frame after a pause: the picture holds
      {1, 0, 0, 210, 0},   // 256 e^-0.2 = 209.6
      {1, 0, 1, 210, 1},   {1, 0, 1, 210, 0},  // a restart: exactly one reset frame
  };
  // clang-format on
  for (const auto& s : steps) {
    g_crtFakes.clock += s[0];
    ASSERT_EQ(frame(int32_t(s[1]), int32_t(s[2])), 1);
    EXPECT_EQ(g_crtFakes.lastJob.persistenceGain, s[3]) << "after " << s[0] << " ms";
    EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, s[4]) << "after " << s[0] << " ms";
  }
  CrtResetPersistence();  // un-primes: the next frame resets, once
  EXPECT_EQ(reset_after(0, 1), 1u);
  EXPECT_EQ(reset_after(0, 1), 0u);
  CrtSettingsChanged();  // so does a settings change
  EXPECT_EQ(reset_after(0, 1), 1u);
  source.resize(17 * 10);  // a new source size un-primes too
  ASSERT_EQ(CrtProcessFrame(source.data(), palette, 17, 10, 17, 40, 30, 0, 1), 1);
  EXPECT_EQ(g_crtFakes.lastJob.persistenceReset, 1u);
}

// A rejected frame calls nothing; a GPU failure is fatal; only a rendered frame with persistence on primes
// it.
TEST_F(CrtFrameTest, FailuresAndPriming) {
  EXPECT_EQ(CrtProcessFrame(source.data(), palette, 16, 10, 15, 40, 30, 0, 0), 0);  // pitch below a row
  EXPECT_EQ(g_crtFakes.renders + g_crtFakes.fatals, 0);
  EXPECT_EQ(CrtOutputPicture(), nullptr);
  g_settings.Persistence = 0;
  ASSERT_EQ(frame(), 1);
  g_settings.Persistence = 1;
  g_crtFakes.renderResult = 0;
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(g_crtFakes.fatals, 1);
  g_crtFakes.renderResult = 1;
  EXPECT_EQ(reset_after(), 1u);
}

TEST_F(CrtFrameTest, ChromaTablesFollowTheSwitchAndStrength) {
  auto column0 = [&](uint32_t strength) {
    g_settings.ChromaticStrengthPercent = strength;
    return frame() ? crt_frame_info().chromaColumns[0] : 0;
  };
  EXPECT_EQ(column0(150), 240u);  // b = 1 at column 0 of 16
  EXPECT_EQ(column0(100), 240u);  // still valid until settings change
  CrtSettingsChanged();
  EXPECT_EQ(column0(100), 160u);
}

}  // namespace
