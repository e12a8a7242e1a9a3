// clang-format off
/* A stand-in nvapi64.dll (the 64-bit name of NVIDIA's library) for the VRR probe's tests. VRINX_NVAPI picks its behaviour:
     capable      the primary display can run VRR (bit 1 of the record's second word)
     incapable    it can't
     failing      initialisation fails
     no-display   the display name is unknown
     partial      the VRR query isn't offered
   The VRR record is answered only when it comes with version 0x10018 and zeros. */
// clang-format on
#include <windows.h>

#include "stand_in_log.h"

#define NVAPI_OK 0
#define NVAPI_ERROR (-1)
#define NVAPI_INVALID_ARGUMENT (-5)
#define NVAPI_NVIDIA_DEVICE_NOT_FOUND (-6)
#define NVAPI_INCOMPATIBLE_STRUCT_VERSION (-9)

static char mode[32];

static int __cdecl initialize(void) {
  stand_in_log("nvapi initialize");
  return lstrcmpA(mode, "failing") == 0 ? NVAPI_NVIDIA_DEVICE_NOT_FOUND : NVAPI_OK;
}

static int __cdecl unload(void) {
  stand_in_log("nvapi unload");
  return NVAPI_OK;
}

static int __cdecl display_id_by_name(const char* name, unsigned* id) {
  char primary[32];
  primary_device(primary);
  stand_in_log("nvapi display id %s", name);
  if (lstrcmpA(mode, "no-display") == 0 || lstrcmpA(name, primary) != 0) return NVAPI_INVALID_ARGUMENT;
  *id = 0x80061001;
  return NVAPI_OK;
}

static int __cdecl vrr_info(unsigned id, unsigned* record) {
  stand_in_log("nvapi vrr info");
  if (id != 0x80061001) return NVAPI_INVALID_ARGUMENT;
  if (record[0] != 0x10018) return NVAPI_INCOMPATIBLE_STRUCT_VERSION;
  for (int i = 1; i < 6; ++i)
    if (record[i]) return NVAPI_INVALID_ARGUMENT;
  /* Bits besides "VRR possible" are set too: only bit 1 may be read. */
  record[1] = lstrcmpA(mode, "capable") == 0 ? 0x2 | 0x1 | 0x4 : 0x1 | 0x4 | 0x8;
  record[2] = 0xFFFFFFFF;
  return NVAPI_OK;
}

__declspec(dllexport) void* __cdecl nvapi_QueryInterface(unsigned id) {
  stand_in_mode("VRINX_NVAPI", mode, sizeof mode);
  switch (id) {
    case 0x0150E828:
      return (void*)initialize;
    case 0xD22BDD7E:
      return (void*)unload;
    case 0xAE457190:
      return (void*)display_id_by_name;
    case 0xDF8FDA57:
      return lstrcmpA(mode, "partial") == 0 ? NULL : (void*)vrr_info;
  }
  return NULL;
}

STAND_IN_DLLMAIN("nvapi")
