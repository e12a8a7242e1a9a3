// The present mode (VRR, then VSync, then unsynced) and the overlay's status texts.
#include "gpu/present_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(PresentMode, VrrThenVSyncThenUnsynced) {
  const uint32_t cases[][6] = {
      // VSync, VRR, tearing, capability (2: undetermined) -> sync interval, flags
      {1, 1, 1, 1, 0, 0x200}, {0, 1, 1, 1, 0, 0x200}, {1, 1, 1, 2, 0, 0x200},   // undetermined: capable
      {1, 1, 1, 0, 1, 0},     {0, 1, 1, 0, 0, 0},
      {1, 1, 0, 1, 1, 0},     {0, 1, 0, 2, 0, 0},   // no tearing: as with VRR off
      {1, 0, 1, 2, 1, 0},     {0, 0, 1, 1, 0, 0},   // VRR off never tears
  };
  for (const auto& c : cases) {
    PresentMode m = present_mode_choose(c[0], c[1], int(c[2]), int(c[3]));
    EXPECT_EQ(m.syncInterval, c[4]) << c[0] << c[1] << c[2] << c[3];
    EXPECT_EQ(m.flags, c[5]) << c[0] << c[1] << c[2] << c[3];
  }
}

TEST(PresentMode, StatusTexts) {
  EXPECT_STREQ(present_mode_sync_text(0, 0x200, 1), "Starting");
  EXPECT_STREQ(present_mode_sync_text(1, 0x200, 0), "VRR");
  EXPECT_STREQ(present_mode_sync_text(1, 0, 1), "VSync");
  EXPECT_STREQ(present_mode_sync_text(1, 0, 0), "Unsynced");
  EXPECT_STREQ(present_mode_renderer_text(0), "Initializing renderer");
  EXPECT_STREQ(present_mode_renderer_text(1), "D3D11 (hardware)");
  EXPECT_STREQ(present_mode_crt_text(0, 1), "CRT: Off");
  EXPECT_STREQ(present_mode_crt_text(1, 1), "CRT: GPU shaders");
  EXPECT_STREQ(present_mode_crt_text(1, 0), "CRT: GPU unavailable");
}

}  // namespace
