// CrtSettings: every display, CRT and sound option in one record. The shell fills
// it at start-up (the configuration file) and changes it in memory afterwards; the
// presenter and the CRT renderer read it on the main thread.
#pragma once
#include <cstdint>

struct DisplayMode {
  uint32_t width, height, bitsPerPixel, refreshRate;
};

struct CrtSettings {
  // The [CRT] keys, in the order they are read.
  uint32_t Music, VSync, VRR, Bloom, BloomThreshold, BloomStrengthPercent;
  uint32_t Scanlines, Distortion, Glow, RGBMask, Persistence, ChromaticSeparation, ColorBleeding;
  uint32_t AspectRatio4x3, StretchToFit;
  uint32_t CurvaturePermille, VignettePermille, ScanlineBrightnessPermille, ScanlineContrastPermille;
  uint32_t GlowThreshold, GlowStrengthPercent, MaskStrength256, PersistenceMs;
  uint32_t ChromaticStrengthPercent, BleedingSideWeight;
  // Run-time options the file doesn't hold.
  uint32_t crtFiltersEnabled, fullscreenRequested, loopDemo;
  DisplayMode selectedMode;
  uint32_t vrrAvailable, vrrProbeResult, muted, volumePercent, alwaysOnTop;
};

extern CrtSettings g_settings;
