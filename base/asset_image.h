// The unpacked asset image: one flat region, no directory. Every consumer knows
// the offset and size of its piece.
#pragma once
#include <cstdint>

constexpr uint32_t kAssetImageSize = 555740;

constexpr uint32_t kWorkScreenOffset = 0;
constexpr uint32_t kWorkScreenSize = 320 * 400;
constexpr uint32_t kCheckerboardOffset = 128000;
constexpr uint32_t kCheckerboardSize = 520 * 400;
constexpr uint32_t kDisplayBufferOffset = 336000;
constexpr uint32_t kDisplayBufferSize = 320 * 200;
constexpr uint32_t kCameraPathOffset = 400000;
constexpr uint32_t kCameraPathSize = 800 * 9 * 2;
constexpr uint32_t kObjectModelOffset = 414400;
constexpr uint32_t kObjectModelSize = 11340;
constexpr uint32_t kDemoRegionSize = 425740;
constexpr uint32_t kMusicOffset = 425740;
constexpr uint32_t kMusicSize = 130000;

static_assert(kCheckerboardOffset == kWorkScreenOffset + kWorkScreenSize, "layout");
static_assert(kDisplayBufferOffset == kCheckerboardOffset + kCheckerboardSize, "layout");
static_assert(kCameraPathOffset == kDisplayBufferOffset + kDisplayBufferSize, "layout");
static_assert(kObjectModelOffset == kCameraPathOffset + kCameraPathSize, "layout");
static_assert(kDemoRegionSize == kObjectModelOffset + kObjectModelSize, "layout");
static_assert(kAssetImageSize == kMusicOffset + kMusicSize, "layout");

// Writable, zero-initialised; filled once at start-up.
extern uint8_t AssetImage[kAssetImageSize];
