#include "gpu/crt_constants.h"

#include <gtest/gtest.h>

#include "base/crt_settings.h"

namespace {

TEST(CrtSettingsChanged, ContrastLimitedByBrightness) {
  CrtSettings saved = g_settings;
  struct Case {
    uint32_t brightness, contrast, expected;
  } cases[] = {{950, 100, 50}, {900, 100, 100}, {900, 101, 100}, {1000, 100, 0}, {500, 250, 250}};
  for (const Case& c : cases) {
    g_settings.ScanlineBrightnessPermille = c.brightness;
    g_settings.ScanlineContrastPermille = c.contrast;
    CrtSettingsChanged();
    EXPECT_EQ(g_settings.ScanlineContrastPermille, c.expected) << c.brightness << "/" << c.contrast;
    EXPECT_FLOAT_EQ(g_crtConstants.scanlineContrast, c.expected / 1000.0f);
    EXPECT_FLOAT_EQ(g_crtConstants.scanlineBase, c.brightness / 1000.0f);
  }
  g_settings = saved;
}

TEST(CrtSettingsChanged, DerivedConstantsAndDecay) {
  CrtSettings saved = g_settings;
  CrtSettingsChanged();  // defaults
  EXPECT_FLOAT_EQ(g_crtConstants.curvature, 0.025f);
  EXPECT_FLOAT_EQ(g_crtConstants.vignette, 0.025f);
  EXPECT_EQ(g_crtConstants.bleedCenterWeight, 10u);
  // 256 x e^(-n/30): 256, 247.6, 94.18 at n = 30, 34.65 at 60, 0 long before 1023.
  EXPECT_EQ(g_crtConstants.decay[0], 256);
  EXPECT_EQ(g_crtConstants.decay[1], 248);
  EXPECT_EQ(g_crtConstants.decay[30], 94);
  EXPECT_EQ(g_crtConstants.decay[60], 35);
  EXPECT_EQ(g_crtConstants.decay[1023], 0);
  for (int n = 1; n < kPersistenceDecaySize; n++) ASSERT_LE(g_crtConstants.decay[n], g_crtConstants.decay[n - 1]);
  g_settings.PersistenceMs = 5;
  g_settings.BleedingSideWeight = 8;
  CrtSettingsChanged();
  EXPECT_EQ(g_crtConstants.decay[5], 94);
  EXPECT_EQ(g_crtConstants.decay[10], 35);  // 34.65
  EXPECT_EQ(g_crtConstants.bleedCenterWeight, 0u);
  g_settings = saved;
}

}  // namespace
