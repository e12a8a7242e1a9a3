// The constants derived from the settings: the scanline contrast limit, curvature,
// vignette, the bleed centre weight and the persistence decay table.
#include "gpu/crt_constants.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/crt_settings.h"

namespace {

TEST(CrtSettingsChanged, ContrastLimitedByBrightness) {
  CrtSettings saved = g_settings;
  // brightness, contrast -> contrast kept: at most 1000 - brightness
  const uint32_t cases[][3] = {{950, 100, 50}, {900, 100, 100}, {900, 101, 100}, {1000, 100, 0},
                               {500, 250, 250}};
  for (const auto& c : cases) {
    g_settings.ScanlineBrightnessPermille = c[0];
    g_settings.ScanlineContrastPermille = c[1];
    CrtSettingsChanged();
    EXPECT_EQ(g_settings.ScanlineContrastPermille, c[2]) << c[0] << "/" << c[1];
    EXPECT_FLOAT_EQ(g_crtConstants.scanlineContrast, c[2] / 1000.0f);
    EXPECT_FLOAT_EQ(g_crtConstants.scanlineBase, c[0] / 1000.0f);
  }
  g_settings = saved;
}

TEST(CrtSettingsChanged, DerivedConstantsAndDecay) {
  CrtSettings saved = g_settings;
  CrtSettingsChanged();   // defaults
  const CrtConstants& k = g_crtConstants;
  EXPECT_FLOAT_EQ(k.curvature, 0.025f);
  EXPECT_FLOAT_EQ(k.vignette, 0.025f);
  EXPECT_EQ(k.bleedCenterWeight, 10u);
  // 256 x e^(-n/30): 256, 247.6, 94.18 at n = 30, 34.65 at 60, 0 long before 1023.
  EXPECT_EQ((std::vector<int>{k.decay[0], k.decay[1], k.decay[30], k.decay[60], k.decay[1023]}),
            (std::vector<int>{256, 248, 94, 35, 0}));
  for (int n = 1; n < kPersistenceDecaySize; n++) ASSERT_LE(k.decay[n], k.decay[n - 1]);
  g_settings.PersistenceMs = 5;
  g_settings.BleedingSideWeight = 8;
  CrtSettingsChanged();
  EXPECT_EQ((std::vector<int>{k.decay[5], k.decay[10]}), (std::vector<int>{94, 35}));   // e^-1, e^-2
  EXPECT_EQ(k.bleedCenterWeight, 0u);
  g_settings = saved;
}

}  // namespace
