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
    PresentMode m = ChoosePresentMode(c.vsync, c.vrr, c.tearing, c.capability);
    EXPECT_EQ(m.syncInterval, c.interval) << c.vsync << c.vrr << c.tearing << c.capability;
    EXPECT_EQ(m.flags, c.flags) << c.vsync << c.vrr << c.tearing << c.capability;
  }
}

TEST(PresentMode, StatusTexts) {
  EXPECT_STREQ(SyncStatusTextFor(0, 0x200, 1), "Starting");
  EXPECT_STREQ(SyncStatusTextFor(1, 0x200, 0), "VRR");
  EXPECT_STREQ(SyncStatusTextFor(1, 0, 1), "VSync");
  EXPECT_STREQ(SyncStatusTextFor(1, 0, 0), "Unsynced");
  EXPECT_STREQ(RendererStatusTextFor(0), "Initializing renderer");
  EXPECT_STREQ(RendererStatusTextFor(1), "D3D11 (hardware)");
  EXPECT_STREQ(CrtStatusTextFor(0, 1), "CRT: Off");
  EXPECT_STREQ(CrtStatusTextFor(1, 1), "CRT: GPU shaders");
  EXPECT_STREQ(CrtStatusTextFor(1, 0), "CRT: GPU unavailable");
}

}  // namespace
