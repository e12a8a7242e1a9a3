/* A stand-in AMD display library (atiadlxx.dll or atiadlxy.dll) for the VRR probe's
   tests. Three adapters: one for another output, one for the primary display that is
   not present, and the present one for it (its name in other case); the latter has a
   connected and mapped display, a display that is only connected, and one on another
   adapter. VRINX_ADL picks the behaviour:
     capable       the display supports FreeSync
     incapable     it doesn't
     two-displays  the second display of the adapter is mapped too
     failing       the library can't be initialised
   Every record is checked the way the real library expects it. */
#include <windows.h>

#include "stand_in_log.h"

typedef void*(__stdcall* Alloc)(int size);

#define ADAPTER_SIZE 1572
#define DISPLAY_SIZE 552
#define OK 0
#define ERR (-1)
#define ERR_INVALID (-3)

static char mode[32];
static Alloc g_alloc;
static int g_context;

static void put32(unsigned char* p, int v) { CopyMemory(p, &v, 4); }
static int get32(const unsigned char* p) {
  int v;
  CopyMemory(&v, p, 4);
  return v;
}

__declspec(dllexport) int __stdcall ADL2_Main_Control_Create(Alloc alloc, int connectedOnly, void** context) {
  stand_in_mode("VRINX_ADL", mode, sizeof mode);
  stand_in_log("adl create %d", connectedOnly);
  if (lstrcmpA(mode, "failing") == 0 || !alloc || connectedOnly != 1) return ERR;
  g_alloc = alloc;
  *context = &g_context;
  return OK;
}

__declspec(dllexport) int __stdcall ADL2_Main_Control_Destroy(void* context) {
  stand_in_log("adl destroy");
  return context == &g_context ? OK : ERR;
}

__declspec(dllexport) int __stdcall ADL2_Adapter_NumberOfAdapters_Get(void* context, int* count) {
  if (context != &g_context) return ERR;
  *count = 3;
  return OK;
}

__declspec(dllexport) int __stdcall ADL2_Adapter_AdapterInfo_Get(void* context, unsigned char* records,
                                                                 int bytes) {
  static const struct {
    int index, present;
    const char* name;
  } adapters[3] = {{10, 1, "\\\\.\\DISPLAY7"}, {11, 0, NULL}, {12, 1, NULL}};
  char primary[32];
  if (context != &g_context || bytes != 3 * ADAPTER_SIZE) return ERR_INVALID;
  primary_device(primary);
  CharLowerA(primary);
  for (int i = 0; i < 3; ++i) {
    unsigned char* a = records + i * ADAPTER_SIZE;
    if (get32(a) != ADAPTER_SIZE) return ERR_INVALID;
    put32(a + 4, adapters[i].index);
    lstrcpyA((char*)a + 536, adapters[i].name ? adapters[i].name : primary);
    put32(a + 792, adapters[i].present);
  }
  stand_in_log("adl adapters");
  return OK;
}

__declspec(dllexport) int __stdcall ADL2_Display_DisplayInfo_Get(void* context, int adapter, int* count,
                                                                 unsigned char** records, int forceDetect) {
  stand_in_log("adl displays %d", adapter);
  if (context != &g_context || adapter != 12 || forceDetect != 0) return ERR_INVALID;
  unsigned char* d = g_alloc(3 * DISPLAY_SIZE);
  for (int i = 0; i < 3 * DISPLAY_SIZE; ++i)
    if (d[i]) return ERR; /* the allocator hands out zeroed blocks */
  static const int displays[3][4] = {{5, 12, 0x3, 0x3}, {6, 13, 0x3, 0x3}, {7, 12, 0x3, 0x1}};
  for (int i = 0; i < 3; ++i) {
    unsigned char* r = d + i * DISPLAY_SIZE;
    put32(r, displays[i][0]);
    put32(r + 4, i);
    put32(r + 8, displays[i][1]);
    put32(r + 544, displays[i][2]);
    put32(r + 548, displays[i][3] | (i == 2 && lstrcmpA(mode, "two-displays") == 0 ? 2 : 0));
  }
  *count = 3;
  *records = d;
  return OK;
}

__declspec(dllexport) int __stdcall ADL2_Display_FreeSync_Cap(void* context, int adapter, int display,
                                                              unsigned char* caps) {
  stand_in_log("adl freesync %d %d", adapter, display);
  if (context != &g_context || adapter != 12 || display != 5) return ERR_INVALID;
  for (int i = 0; i < 32; ++i)
    if (caps[i]) return ERR_INVALID;
  put32(caps, lstrcmpA(mode, "capable") == 0 ? 0x4 | 0x1 : 0x1 | 0x2 | 0x8);
  put32(caps + 4, -1);
  return OK;
}

STAND_IN_DLLMAIN("adl")
