// The demo engine's block of initialised variables and tables. Restored from its
// snapshot at the start of every run, so every run starts like the first.
#pragma once
#include <cstdint>

constexpr int kBackgroundSteps = 800;
constexpr int kCueCount = 26;
constexpr int kPaletteComponents = 768;
constexpr int kCameraRecordWords = 9;

// Cue flags with a fixed meaning; 0 to 13 are the text kicks.
enum CueFlag {
  kFlagLoadLogoColours = 14,
  kFlagLoadPalette = 15,
  kFlagTextLayer = 16,
  kFlagObjectLayer = 17,
  kFlagFirstFade = 18,   // 18, 20, 22, 24 fade A to B; 19, 21, 23, 25 B to A
  kFlagLastFade = 25,
};

struct DemoState {
  // Surfaces
  uint8_t* workScreen;
  uint8_t* workScreenRow1;
  uint8_t* checkerboard;
  int16_t* cameraPathStart;
  int16_t* cameraPathEnd;
  int16_t* cameraPathCurrent;
  // Animation steps: how many steps the next frame advances (always 1 after a present)
  int16_t objectSteps;
  int16_t textSteps;
  // Object entry
  int16_t objectCentreY;
  // Background
  int32_t backgroundIndex;
  int32_t BackgroundPath[kBackgroundSteps];
  // Cue list
  int32_t cueNext;
  uint32_t cueTimes[kCueCount];
  uint32_t cueTargets[kCueCount];
  int32_t cueFlags[kCueCount];
  // Palettes: red, green, blue per colour, 0..63
  uint8_t PaletteA[kPaletteComponents];
  uint8_t PaletteB[kPaletteComponents];
  // Fade
  uint8_t fadeActive;
  uint8_t fadeStepsLeft;
  uint16_t fadeCurrent[kPaletteComponents];   // 8.8
  int16_t fadeDelta[kPaletteComponents];      // 8.8
};

// Initialised at compile time; the first run snapshots it.
extern DemoState g_demo;
