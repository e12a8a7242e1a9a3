// What the CRT pass derives from CrtSettings once per configuration change.
#pragma once
#include <cstdint>

constexpr int kPersistenceDecaySize = 1024;

struct CrtConstants {
  float curvature;                        // CurvaturePermille / 1000
  float vignette;                         // VignettePermille / 1000
  float scanlineBase;                     // ScanlineBrightnessPermille / 1000
  float scanlineContrast;                 // ScanlineContrastPermille / 1000
  uint32_t bleedCenterWeight;             // 16 - 2 x BleedingSideWeight
  uint16_t decay[kPersistenceDecaySize];  // 256 x e^(-n / PersistenceMs)
};

extern CrtConstants g_crtConstants;

// Lowers ScanlineContrastPermille to 1000 - ScanlineBrightnessPermille when it is
// above that, then derives g_crtConstants from g_settings.
void CrtSettingsChanged();
