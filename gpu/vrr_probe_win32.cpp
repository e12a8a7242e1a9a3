#include "gpu/vrr_probe_win32.h"

#include <dxgi1_5.h>

#include <cstdint>

#include "base/system_library_win32.h"
#include "base/test_log_win32.h"
#include "gpu/vrr_records.h"

namespace {

constexpr int kUndetermined = 2;

// NVAPI's function table is reached through one export and these interface ids.
constexpr uint32_t kNvInitialize = 0x0150E828;
constexpr uint32_t kNvUnload = 0xD22BDD7E;
constexpr uint32_t kNvDisplayIdByName = 0xAE457190;
constexpr uint32_t kNvGetVrrInfo = 0xDF8FDA57;

typedef void*(__cdecl* NvQueryInterface)(uint32_t id);
typedef int(__cdecl* NvCall)();
typedef int(__cdecl* NvDisplayIdByName)(const char* name, uint32_t* displayId);
typedef int(__cdecl* NvGetVrrInfo)(uint32_t displayId, void* info);

typedef void*(__stdcall* AdlAlloc)(int size);
typedef int(__stdcall* AdlCreate)(AdlAlloc alloc, int connectedOnly, void** context);
typedef int(__stdcall* AdlDestroy)(void* context);
typedef int(__stdcall* AdlAdapterCount)(void* context, int* count);
typedef int(__stdcall* AdlAdapterInfo)(void* context, void* records, int bytes);
typedef int(__stdcall* AdlDisplayInfo)(void* context, int adapter, int* count, void** records,
                                       int forceDetect);
typedef int(__stdcall* AdlFreeSyncCaps)(void* context, int adapter, int display, void* caps);

template <typename F>
F nv_function(NvQueryInterface query, uint32_t id) {
  return reinterpret_cast<F>(query(id));
}

// NVIDIA's driver installs the library under another name for 64-bit processes;
// a 64-bit build that asked for nvapi.dll would never find it in the system folder.
constexpr const wchar_t* kNvapiLibrary = sizeof(void*) == 8 ? L"nvapi64.dll" : L"nvapi.dll";

// 0 or 1 when NVAPI knows the display, else 2.
int probe_nvidia(const char* deviceName) {
  HMODULE nvapi = load_system_library(kNvapiLibrary);
  if (!nvapi) return kUndetermined;
  int answer = kUndetermined;
  NvQueryInterface query = library_function<NvQueryInterface>(nvapi, "nvapi_QueryInterface");
  if (query) {
    NvCall initialize = nv_function<NvCall>(query, kNvInitialize);
    NvCall unload = nv_function<NvCall>(query, kNvUnload);
    NvDisplayIdByName displayId = nv_function<NvDisplayIdByName>(query, kNvDisplayIdByName);
    NvGetVrrInfo vrrInfo = nv_function<NvGetVrrInfo>(query, kNvGetVrrInfo);
    if (initialize && unload && displayId && vrrInfo && initialize() == 0) {
      uint32_t id = 0;
      uint8_t record[kNvVrrInfoSize] = {};
      const uint32_t version = kNvVrrInfoVersion;
      CopyMemory(record, &version, sizeof version);
      if (displayId(deviceName, &id) == 0 && vrrInfo(id, record) == 0) answer = vrr_nvapi_answer(record);
      unload();
    }
  }
  FreeLibrary(nvapi);
  return answer;
}

// The last block the library asked for through adl_alloc, and its size: a record count
// it reports is only believed as far as that block reaches.
struct AdlBlock {
  void* at;
  int size;
};
AdlBlock g_adlBlock;

void* __stdcall adl_alloc(int size) {
  void* block = size > 0 ? HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, SIZE_T(size)) : nullptr;
  g_adlBlock = AdlBlock{block, block ? size : 0};
  return block;
}

void heap_free(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}

struct Adl {
  AdlCreate create;
  AdlDestroy destroy;
  AdlAdapterCount adapterCount;
  AdlAdapterInfo adapterInfo;
  AdlDisplayInfo displayInfo;
  AdlFreeSyncCaps freeSyncCaps;
};

bool adl_bind(HMODULE module, Adl* adl) {
  adl->create = library_function<AdlCreate>(module, "ADL2_Main_Control_Create");
  adl->destroy = library_function<AdlDestroy>(module, "ADL2_Main_Control_Destroy");
  adl->adapterCount = library_function<AdlAdapterCount>(module, "ADL2_Adapter_NumberOfAdapters_Get");
  adl->adapterInfo = library_function<AdlAdapterInfo>(module, "ADL2_Adapter_AdapterInfo_Get");
  adl->displayInfo = library_function<AdlDisplayInfo>(module, "ADL2_Display_DisplayInfo_Get");
  adl->freeSyncCaps = library_function<AdlFreeSyncCaps>(module, "ADL2_Display_FreeSync_Cap");
  return adl->create && adl->destroy && adl->adapterCount && adl->adapterInfo && adl->displayInfo &&
         adl->freeSyncCaps;
}

// The FreeSync answer for the one connected and mapped display of the adapter, else 2.
int adl_display_answer(const Adl& adl, void* context, int32_t adapterIndex) {
  int count = 0;
  void* displays = nullptr;
  int answer = kUndetermined;
  g_adlBlock = AdlBlock{};
  if (adl.displayInfo(context, adapterIndex, &count, &displays, 0) == 0 && displays && count >= 1 &&
      count <= kAdlMaxCount && displays == g_adlBlock.at &&
      uint32_t(count) * kAdlDisplayInfoSize <= uint32_t(g_adlBlock.size)) {
    int32_t displayIndex = 0;
    if (vrr_adl_count_displays(static_cast<const uint8_t*>(displays), count, adapterIndex, &displayIndex) ==
        1) {
      uint8_t caps[kAdlFreeSyncCapsSize] = {};
      if (adl.freeSyncCaps(context, adapterIndex, displayIndex, caps) == 0)
        answer = vrr_freesync_answer(caps);
    }
  }
  heap_free(displays);
  return answer;
}

int adl_answer(const Adl& adl, const char* deviceName) {
  void* context = nullptr;
  if (adl.create(adl_alloc, 1, &context) != 0) return kUndetermined;
  int answer = kUndetermined;
  int count = 0;
  if (adl.adapterCount(context, &count) == 0 && count >= 1 && count <= kAdlMaxCount) {
    uint8_t* adapters = static_cast<uint8_t*>(adl_alloc(count * int(kAdlAdapterInfoSize)));
    if (adapters) {
      for (int i = 0; i < count; i++) {
        const uint32_t size = kAdlAdapterInfoSize;
        CopyMemory(adapters + size_t(i) * kAdlAdapterInfoSize, &size, sizeof size);
      }
      if (adl.adapterInfo(context, adapters, count * int(kAdlAdapterInfoSize)) == 0) {
        int match = vrr_adl_find_adapter(adapters, count, deviceName);
        if (match >= 0) answer = adl_display_answer(adl, context, vrr_adl_adapter_index(adapters, match));
      }
      heap_free(adapters);
    }
  }
  adl.destroy(context);
  return answer;
}

// Exactly one active monitor on the output; a cloned output (or none) can't be judged.
bool single_monitor_output(const char* deviceName) {
  DISPLAY_DEVICEA device = {};
  device.cb = sizeof device;
  if (!EnumDisplayDevicesA(deviceName, 0, &device, 0)) return false;
  int active = 0;
  for (DWORD i = 0;; i++) {
    DISPLAY_DEVICEA monitor = {};
    monitor.cb = sizeof monitor;
    if (!EnumDisplayDevicesA(deviceName, i, &monitor, 0)) break;
    if (monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) active++;
  }
  return active == 1;
}

}  // namespace

bool vrr_factory_allows_tearing() {
  HMODULE dxgi = load_system_library(L"dxgi.dll");
  if (!dxgi) return false;
  typedef HRESULT(WINAPI * CreateFactory)(REFIID, void**);
  CreateFactory create = library_function<CreateFactory>(dxgi, "CreateDXGIFactory1");
  IDXGIFactory5* factory = nullptr;
  BOOL allow = FALSE;
  if (create && SUCCEEDED(create(__uuidof(IDXGIFactory5), reinterpret_cast<void**>(&factory))) &&
      FAILED(factory->CheckFeatureSupport(DXGI_FEATURE_PRESENT_ALLOW_TEARING, &allow, sizeof allow)))
    allow = FALSE;
  if (factory) factory->Release();
  FreeLibrary(dxgi);
  return allow != FALSE;
}

int ProbeWindowVrr(HWND window) {
  int answer =
      vrr_factory_allows_tearing() ? ProbeMonitorVrr(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)) : 0;
  test_log("vrr probe: %d", answer);
  return answer;
}

int ProbeMonitorVrr(HMONITOR monitor) {
  MONITORINFOEXA info = {};
  info.cbSize = sizeof info;
  if (!monitor || !GetMonitorInfoA(monitor, &info) || !single_monitor_output(info.szDevice))
    return kUndetermined;
  int answer = probe_nvidia(info.szDevice);
  return answer == 0 || answer == 1 ? answer : ProbeAmdVrr(info.szDevice);
}

int ProbeAmdVrr(const char* deviceName) {
  HMODULE module = load_system_library(L"atiadlxx.dll");
  if (!module) module = load_system_library(L"atiadlxy.dll");
  if (!module) return kUndetermined;
  Adl adl;
  int answer = adl_bind(module, &adl) ? adl_answer(adl, deviceName) : kUndetermined;
  FreeLibrary(module);
  return answer;
}
