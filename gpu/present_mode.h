// The presenter's per-frame choice of presentation mode and its status texts,
// kept apart from the Direct3D code.
#pragma once
#include <cstdint>

constexpr uint32_t kPresentAllowTearing = 0x200;  // DXGI_PRESENT_ALLOW_TEARING

struct PresentMode {
  uint32_t syncInterval;
  uint32_t flags;
};

// Tearing-allowed (VRR) presentation when it is asked for, the swap chain allows
// tearing and the monitor is capable or undetermined (2); else VSync or unsynced.
PresentMode present_mode_choose(uint32_t vsyncSetting, uint32_t vrrSetting, int tearingSupported,
                                int vrrCapability);

const char* present_mode_sync_text(int ready, uint32_t lastPresentFlags, uint32_t lastSyncInterval);
const char* present_mode_renderer_text(int ready);
const char* present_mode_crt_text(int crtInUse, int lastCrtFrameOnGpu);
