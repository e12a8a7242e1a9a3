#include "gpu/present_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(PresentMode, VrrThenVSyncThenUnsynced) {
  struct Case {
    uint32_t vsync, vrr;
    int tearing, capability;
    uint32_t interval, flags;
  } cases[] = {
      {1, 1, 1, 1, 0, 0x200}, {0, 1, 1, 1, 0, 0x200},
      {1, 1, 1, 2, 0, 0x200},  // undetermined counts as capable
      {1, 1, 1, 0, 1, 0},      {0, 1, 1, 0, 0, 0},
      {1, 1, 0, 1, 1, 0},      {0, 1, 0, 2, 0, 0},  // no tearing: as with VRR off
      {1, 0, 1, 2, 1, 0},      {0, 0, 1, 1, 0, 0},  // VRR off never tears
  };
  for (const Case& c : cases) {
    PresentMode m = present_mode_choose(c.vsync, c.vrr, c.tearing, c.capability);
    EXPECT_EQ(m.syncInterval, c.interval) << c.vsync << c.vrr << c.tearing << c.capability;
    EXPECT_EQ(m.flags, c.flags) << c.vsync << c.vrr << c.tearing << c.capability;
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
