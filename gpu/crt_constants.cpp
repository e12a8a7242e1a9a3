#include "gpu/crt_constants.h"

#include <cmath>

#include "base/crt_settings.h"
#include "gpu/crt_frame.h"

CrtConstants g_crtConstants;

void CrtSettingsChanged() {
  CrtSettings& s = g_settings;
  uint32_t contrastLimit = 1000 - s.ScanlineBrightnessPermille;
  if (s.ScanlineContrastPermille > contrastLimit) s.ScanlineContrastPermille = contrastLimit;
  CrtConstants& c = g_crtConstants;
  c.curvature = float(s.CurvaturePermille) / 1000.0f;
  c.vignette = float(s.VignettePermille) / 1000.0f;
  c.scanlineBase = float(s.ScanlineBrightnessPermille) / 1000.0f;
  c.scanlineContrast = float(s.ScanlineContrastPermille) / 1000.0f;
  c.bleedCenterWeight = 16 - 2 * s.BleedingSideWeight;
  // Repeated multiplication in extended precision, as the table was always built.
  long double perMs = expl(-1.0L / (long double)s.PersistenceMs);
  long double value = 256.0L;
  for (int n = 0; n < kPersistenceDecaySize; n++) {
    c.decay[n] = uint16_t(llrintl(value));
    value *= perMs;
  }
  crt_frame_settings_changed();
}
