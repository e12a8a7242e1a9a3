#include "gpu/present_mode.h"

PresentMode present_mode_choose(uint32_t vsyncSetting, uint32_t vrrSetting, int tearingSupported,
                                int vrrCapability) {
  if (vrrSetting && tearingSupported && vrrCapability) return PresentMode{0, kPresentAllowTearing};
  return PresentMode{vsyncSetting ? 1u : 0u, 0};
}

const char* present_mode_sync_text(int ready, uint32_t lastPresentFlags, uint32_t lastSyncInterval) {
  if (!ready) return "Starting";
  if (lastPresentFlags & kPresentAllowTearing) return "VRR";
  return lastSyncInterval ? "VSync" : "Unsynced";
}

const char* present_mode_renderer_text(int ready) {
  return ready ? "D3D11 (hardware)" : "Initializing renderer";
}

const char* present_mode_crt_text(int crtInUse, int lastCrtFrameOnGpu) {
  if (!crtInUse) return "CRT: Off";
  return lastCrtFrameOnGpu ? "CRT: GPU shaders" : "CRT: GPU unavailable";
}
