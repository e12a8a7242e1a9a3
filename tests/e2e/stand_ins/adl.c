/* A stand-in AMD display library (atiadlxx.dll or atiadlxy.dll) for the VRR probe's
   tests. Three adapters: one for another output, one for the primary display that is
   not present, and the present one for it (its name in other case); the latter has a
   connected and mapped display, a display that is only connected, and one on another
   adapter. VRINX_ADL picks the behaviour:
     capable       the display supports FreeSync
     incapable     it doesn't
     two-displays  the second display of the adapter is mapped too
     failing       the library can't be initialised
     short-block   the display list counts three records in a block it sized for two
   Every record is checked the way the real library expects it. */
#include <windows.h>

#include "stand_in_log.h"

typedef void*(__stdcall* Alloc)(int size);

/* The vendor's records as the library lays them out in memory: plain structs, the
   fields the probe doesn't use kept as padding. */
typedef struct {
  int size, index;
  char udid[256];
  int bus, device, function, vendor;
  char adapterName[256], displayName[256];
  int present, exists;
  char driverPath[256], driverPathExt[256], pnpString[256];
  int osDisplayIndex;
} AdapterInfo;

typedef struct {
  int logicalIndex, physicalIndex, logicalAdapter, physicalAdapter, controller;
  char name[256], manufacturer[256];
  int type, outputType, connector, infoMask, infoValue;
} ADLDisplayInfo;

typedef struct {
  int caps, minRefresh[3], maxRefresh[3], reserved;
} ADLFreeSyncCap;

_Static_assert(sizeof(AdapterInfo) == 1572 && sizeof(ADLDisplayInfo) == 552 && sizeof(ADLFreeSyncCap) == 32,
               "the vendor's record sizes");

#define ADL_OK 0
#define ADL_ERR (-1)
#define ADL_ERR_INVALID_PARAM (-3)

static char mode[32];
static Alloc g_alloc;
static int g_context;

/* The caller hands in zeroed records. */
static int all_zero(const void* record, int size) {
  for (int i = 0; i < size; ++i)
    if (((const unsigned char*)record)[i]) return 0;
  return 1;
}

__declspec(dllexport) int __stdcall ADL2_Main_Control_Create(Alloc alloc, int connectedOnly, void** context) {
  stand_in_mode("VRINX_ADL", mode, sizeof mode);
  stand_in_log("adl create %d", connectedOnly);
  if (lstrcmpA(mode, "failing") == 0 || !alloc || connectedOnly != 1) return ADL_ERR;
  g_alloc = alloc;
  *context = &g_context;
  return ADL_OK;
}

__declspec(dllexport) int __stdcall ADL2_Main_Control_Destroy(void* context) {
  stand_in_log("adl destroy");
  return context == &g_context ? ADL_OK : ADL_ERR;
}

__declspec(dllexport) int __stdcall ADL2_Adapter_NumberOfAdapters_Get(void* context, int* count) {
  if (context != &g_context) return ADL_ERR;
  *count = 3;
  return ADL_OK;
}

__declspec(dllexport) int __stdcall ADL2_Adapter_AdapterInfo_Get(void* context, AdapterInfo* records,
                                                                 int bytes) {
  static const struct {
    int index, present;
    const char* name;
  } adapters[3] = {{10, 1, "\\\\.\\DISPLAY7"}, {11, 0, NULL}, {12, 1, NULL}};
  char primary[32];
  if (context != &g_context || bytes != 3 * (int)sizeof(AdapterInfo)) return ADL_ERR_INVALID_PARAM;
  primary_device(primary);
  CharLowerA(primary);
  for (int i = 0; i < 3; ++i) {
    if (records[i].size != (int)sizeof(AdapterInfo)) return ADL_ERR_INVALID_PARAM;
    records[i].index = adapters[i].index;
    lstrcpyA(records[i].displayName, adapters[i].name ? adapters[i].name : primary);
    records[i].present = adapters[i].present;
  }
  stand_in_log("adl adapters");
  return ADL_OK;
}

__declspec(dllexport) int __stdcall ADL2_Display_DisplayInfo_Get(void* context, int adapter, int* count,
                                                                 ADLDisplayInfo** records, int forceDetect) {
  stand_in_log("adl displays %d", adapter);
  if (context != &g_context || adapter != 12 || forceDetect != 0) return ADL_ERR_INVALID_PARAM;
  int filled = lstrcmpA(mode, "short-block") == 0 ? 2 : 3;
  ADLDisplayInfo* d = g_alloc(filled * sizeof(ADLDisplayInfo));
  /* The allocator hands out zeroed blocks. */
  if (!all_zero(d, filled * sizeof(ADLDisplayInfo))) return ADL_ERR;
  static const int displays[3][4] = {{5, 12, 0x3, 0x3}, {6, 13, 0x3, 0x3}, {7, 12, 0x3, 0x1}};
  for (int i = 0; i < filled; ++i) {
    d[i].logicalIndex = displays[i][0];
    d[i].physicalIndex = i;
    d[i].logicalAdapter = displays[i][1];
    d[i].infoMask = displays[i][2];
    d[i].infoValue = displays[i][3] | (i == 2 && lstrcmpA(mode, "two-displays") == 0 ? 2 : 0);
  }
  *count = 3;
  *records = d;
  return ADL_OK;
}

__declspec(dllexport) int __stdcall ADL2_Display_FreeSync_Cap(void* context, int adapter, int display,
                                                              ADLFreeSyncCap* caps) {
  stand_in_log("adl freesync %d %d", adapter, display);
  if (context != &g_context || adapter != 12 || display != 5) return ADL_ERR_INVALID_PARAM;
  if (!all_zero(caps, sizeof *caps)) return ADL_ERR_INVALID_PARAM;
  caps->caps = lstrcmpA(mode, "capable") == 0 ? 0x4 | 0x1 : 0x1 | 0x2 | 0x8;
  caps->minRefresh[0] = -1;
  return ADL_OK;
}

STAND_IN_DLLMAIN("adl")
