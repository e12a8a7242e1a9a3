#include "gpu/presenter_win32.h"

#include <d3d11.h>
#include <dxgi1_5.h>

#include <cstdlib>

#include "base/system_library_win32.h"
#include "base/test_log_win32.h"
#include "gpu/com_release_win32.h"
#include "gpu/crt_gpu_win32.h"
#include "gpu/gpu_hooks.h"
#include "gpu/present_mode.h"
#include "gpu/vrr_probe_win32.h"

namespace {

constexpr wchar_t kFatalCaption[] = L"Direct3D 11 required";
constexpr wchar_t kFatalText[] =
    L"A hardware GPU supporting Direct3D 11 (feature level 11.0) is required. GPU initialization "
    L"or rendering failed. Update your graphics driver and try again.";
constexpr DXGI_FORMAT kFormat = DXGI_FORMAT_B8G8R8A8_UNORM;
constexpr UINT kAllowTearingFlag = 0x800;  // DXGI_SWAP_CHAIN_FLAG_ALLOW_TEARING
constexpr HRESULT kStatusOccluded = 0x087A0001;

struct Presenter {
  ID3D11Device* device;
  ID3D11DeviceContext* context;
  IDXGISwapChain1* swapChain;
  ID3D11Texture2D* backBuffer;
  HMODULE d3dModule;
  HWND window;
  uint32_t width, height;
  uint32_t swapChainFlags;
  int32_t tearingSupported;
  int32_t ready;
  int32_t lastSyncInterval;
  uint32_t lastPresentFlags;
  HRESULT lastError;
  uint32_t presentCount, resizeCount, recreateCount;
  uint8_t creationFailed, inPresent, fatalShown;
  HMONITOR probedMonitor;
  int32_t vrrCapability;
};

Presenter g_presenter = {};

HRESULT hresult_from_last_error() {
  DWORD code = GetLastError();
  return code > 0 ? HRESULT(0x80070000u | (code & 0xFFFF)) : HRESULT(code);
}

bool load_d3d(PFN_D3D11_CREATE_DEVICE* create) {
  Presenter& p = g_presenter;
  if (!p.d3dModule) p.d3dModule = load_system_library(L"d3d11.dll");
  *create = library_function<PFN_D3D11_CREATE_DEVICE>(p.d3dModule, "D3D11CreateDevice");
  if (!*create) p.lastError = hresult_from_last_error();
  return *create != nullptr;
}

HRESULT create_device(PFN_D3D11_CREATE_DEVICE create) {
  const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
  return create(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT, &level, 1,
                D3D11_SDK_VERSION, &g_presenter.device, nullptr, &g_presenter.context);
}

bool device_usable() {
  const Presenter& p = g_presenter;
  return p.device && p.ready == 1 && p.device->GetFeatureLevel() >= D3D_FEATURE_LEVEL_11_0;
}

bool CreateDeviceAndSwapChain(HWND window, uint32_t width, uint32_t height) {
  Presenter& p = g_presenter;
  PFN_D3D11_CREATE_DEVICE create;
  if (!load_d3d(&create)) return false;
  IDXGIDevice1* dxgiDevice = nullptr;
  IDXGIAdapter* adapter = nullptr;
  IDXGIFactory2* factory = nullptr;
  IDXGIFactory5* factory5 = nullptr;
  BOOL allowTearing = FALSE;
  HRESULT hr = create_device(create);
  if (SUCCEEDED(hr))
    hr = p.device->QueryInterface(__uuidof(IDXGIDevice1), reinterpret_cast<void**>(&dxgiDevice));
  if (SUCCEEDED(hr)) hr = dxgiDevice->SetMaximumFrameLatency(1);
  if (SUCCEEDED(hr)) hr = dxgiDevice->GetAdapter(&adapter);
  if (SUCCEEDED(hr)) hr = adapter->GetParent(__uuidof(IDXGIFactory2), reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr)) {
    if (FAILED(factory->QueryInterface(__uuidof(IDXGIFactory5), reinterpret_cast<void**>(&factory5))) ||
        FAILED(factory5->CheckFeatureSupport(DXGI_FEATURE_PRESENT_ALLOW_TEARING, &allowTearing,
                                             sizeof allowTearing)))
      allowTearing = FALSE;
    DXGI_SWAP_CHAIN_DESC1 desc = {};
    desc.Width = width;
    desc.Height = height;
    desc.Format = kFormat;
    desc.Stereo = FALSE;
    desc.SampleDesc.Count = 1;
    desc.SampleDesc.Quality = 0;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 2;
    desc.Scaling = DXGI_SCALING_STRETCH;
    desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
    desc.AlphaMode = DXGI_ALPHA_MODE_IGNORE;
    desc.Flags = allowTearing ? kAllowTearingFlag : 0;
    hr = factory->CreateSwapChainForHwnd(p.device, window, &desc, nullptr, nullptr, &p.swapChain);
    if (SUCCEEDED(hr))
      hr = factory->MakeWindowAssociation(window, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER);
    if (SUCCEEDED(hr)) {
      p.swapChainFlags = desc.Flags;
      hr = p.swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&p.backBuffer));
    }
  }
  com_release(factory5);
  com_release(factory);
  com_release(adapter);
  com_release(dxgiDevice);
  if (FAILED(hr)) {
    p.lastError = hr;
    PresenterReleaseAll();
    return false;
  }
  p.window = window;
  p.width = width;
  p.height = height;
  p.tearingSupported = allowTearing ? 1 : 0;
  p.ready = 1;
  p.lastError = 0;
  test_log("presenter: device created %ux%u tearing=%d", width, height, p.tearingSupported);
  return true;
}

bool ResizeSwapChain(uint32_t width, uint32_t height) {
  Presenter& p = g_presenter;
  if (width == p.width && height == p.height) return true;
  com_release(p.backBuffer);
  p.context->ClearState();
  p.context->Flush();
  HRESULT hr = p.swapChain->ResizeBuffers(2, width, height, kFormat, p.swapChainFlags);
  if (SUCCEEDED(hr))
    hr = p.swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&p.backBuffer));
  if (FAILED(hr)) {
    p.lastError = hr;
    return false;
  }
  p.resizeCount++;
  p.width = width;
  p.height = height;
  return true;
}

void unload_and_clear() {
  Presenter& p = g_presenter;
  PresenterReleaseAll();
  if (p.d3dModule) FreeLibrary(p.d3dModule);
  p.d3dModule = nullptr;
  p.window = nullptr;
  p.fatalShown = 0;
  p.inPresent = 0;
  p.creationFailed = 0;
}

// A device and a swap chain for this window at this size; after a failed Present
// everything was released and is created again here. A failing creation is fatal.
bool ensure_device(HWND window, uint32_t width, uint32_t height) {
  Presenter& p = g_presenter;
  if (p.device && (!p.swapChain || p.window != window)) {
    PresenterReleaseAll();
    p.creationFailed = 0;
  }
  if (p.device && ResizeSwapChain(width, height)) return true;
  if (p.device) {
    PresenterReleaseAll();
    p.recreateCount++;
  }
  if (!p.creationFailed && CreateDeviceAndSwapChain(window, width, height)) return true;
  p.creationFailed = 1;
  p.window = window;
  PresenterFatal();
  return false;
}

// Test hook: VRINX_TEST_LOSE_DEVICE=n makes the n-th Present report a removed device once.
uint32_t test_lose_device_at() {
  static const uint32_t at = [] {
    char text[16];
    DWORD n = GetEnvironmentVariableA("VRINX_TEST_LOSE_DEVICE", text, sizeof text);
    return n > 0 && n < sizeof text ? uint32_t(strtoul(text, nullptr, 10)) : 0u;
  }();
  return at;
}

int present_locked(HWND window, HBITMAP dib, uint32_t width, uint32_t height, uint32_t vsync, uint32_t vrr) {
  Presenter& p = g_presenter;
  if (!ensure_device(window, width, height)) return 0;

  DIBSECTION section;
  if (GetObjectW(dib, sizeof section, &section) != int(sizeof section) || !section.dsBm.bmBits ||
      uint32_t(section.dsBm.bmWidth) != width || uint32_t(section.dsBm.bmHeight) != height) {
    p.lastError = E_INVALIDARG;
    return 0;
  }
  GdiFlush();
  p.context->UpdateSubresource(p.backBuffer, 0, nullptr, section.dsBm.bmBits, UINT(section.dsBm.bmWidthBytes),
                               0);

  if (vrr && p.tearingSupported) {
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (monitor != p.probedMonitor) {
      p.vrrCapability = vrr_factory_allows_tearing() ? ProbeMonitorVrr(monitor) : 0;
      test_log("presenter: vrr capability %d", p.vrrCapability);
      p.probedMonitor = monitor;
    }
  }
  PresentMode mode = present_mode_choose(vsync, vrr, p.tearingSupported, p.vrrCapability);
  if (mode.syncInterval != uint32_t(p.lastSyncInterval) || mode.flags != p.lastPresentFlags)
    test_log("presenter: sync %s", present_mode_sync_text(1, mode.flags, mode.syncInterval));
  p.lastSyncInterval = int32_t(mode.syncInterval);
  p.lastPresentFlags = mode.flags;
  HRESULT hr = p.swapChain->Present(mode.syncInterval, mode.flags);
  if (p.presentCount + p.recreateCount + 1 == test_lose_device_at()) hr = DXGI_ERROR_DEVICE_REMOVED;
  if (hr == kStatusOccluded) return 0;
  if (FAILED(hr)) {
    p.lastError = hr;
    PresenterReleaseAll();
    p.recreateCount++;
    p.creationFailed = 0;
    test_log("presenter: present failed 0x%08lx", static_cast<unsigned long>(hr));
    return 0;
  }
  p.presentCount++;
  return 1;
}

}  // namespace

int PresenterCreateForWindow(HWND window, uint32_t width, uint32_t height) {
  Presenter& p = g_presenter;
  if (window) {
    if (p.swapChain && p.window != window) {
      PresenterReleaseAll();
      p.creationFailed = 0;
    }
    if (!p.swapChain) {
      PresenterReleaseAll();
      if (!CreateDeviceAndSwapChain(window, width, height)) return 0;
    }
    if (!ResizeSwapChain(width, height)) {
      PresenterReleaseAll();
      if (!CreateDeviceAndSwapChain(window, width, height)) return 0;
    }
  }
  return device_usable() ? 1 : 0;
}

int PresenterCreateDeviceOnly() {
  Presenter& p = g_presenter;
  if (p.device) return device_usable() ? 1 : 0;
  PFN_D3D11_CREATE_DEVICE create;
  if (!load_d3d(&create)) return 0;
  HRESULT hr = create_device(create);
  if (FAILED(hr)) {
    p.lastError = hr;
    PresenterReleaseAll();
    return 0;
  }
  p.ready = 1;
  p.lastError = 0;
  return 1;
}

bool PresenterCheckGpu(HWND owner) {
  Presenter& p = g_presenter;
  bool usable;
  if (p.device) {
    usable = device_usable();
  } else {
    PFN_D3D11_CREATE_DEVICE create;
    usable = load_d3d(&create);
    if (usable) {
      HRESULT hr = create_device(create);
      usable = SUCCEEDED(hr);
      if (!usable) p.lastError = hr;
    }
  }
  if (!usable) MessageBoxW(owner, kFatalText, kFatalCaption, MB_ICONERROR);
  unload_and_clear();
  return usable;
}

int PresentFrame(HWND window, HDC, HDC, HBITMAP dibSection, uint32_t width, uint32_t height,
                 uint32_t vsyncSetting, uint32_t vrrSetting) {
  Presenter& p = g_presenter;
  if (p.inPresent || width == 0 || height == 0 || IsIconic(window)) return 0;
  p.inPresent = 1;
  int presented = present_locked(window, dibSection, width, height, vsyncSetting, vrrSetting);
  p.inPresent = 0;
  return presented;
}

void PresenterShutdown() {
  Presenter& p = g_presenter;
  test_log("presenter: presents=%u resizes=%u recreates=%u", p.presentCount, p.resizeCount, p.recreateCount);
  unload_and_clear();
}

void PresenterReleaseAll() {
  Presenter& p = g_presenter;
  CrtReleaseAll();
  com_release(p.backBuffer);
  if (p.context) {
    p.context->ClearState();
    p.context->Flush();
  }
  com_release(p.swapChain);
  com_release(p.context);
  com_release(p.device);
  p.swapChainFlags = 0;
  p.width = 0;
  p.height = 0;
  p.probedMonitor = nullptr;
  p.vrrCapability = 2;
  p.tearingSupported = 0;
  p.ready = 0;
}

void PresenterFatal() {
  Presenter& p = g_presenter;
  if (p.fatalShown) return;
  p.fatalShown = 1;
  MessageBoxW(p.window, kFatalText, kFatalCaption, MB_ICONERROR);
  if (!p.window) ExitProcess(1);
  set_exit_code_failure();
  PostMessageW(p.window, WM_CLOSE, 0, 0);
}

void PrintClient(HWND window, HDC targetDC, HDC memoryDC, uint32_t width, uint32_t height, UINT flags) {
  DefWindowProcW(window, WM_PRINT, reinterpret_cast<WPARAM>(targetDC),
                 LPARAM(flags & ~UINT(PRF_CLIENT | PRF_ERASEBKGND)));
  if (!memoryDC || !(flags & PRF_CLIENT)) return;
  POINT origin = {0, 0};
  if (flags & PRF_NONCLIENT) {
    POINT client = {0, 0};
    RECT frame;
    ClientToScreen(window, &client);
    GetWindowRect(window, &frame);
    origin.x = client.x - frame.left;
    origin.y = client.y - frame.top;
  }
  BitBlt(targetDC, origin.x, origin.y, int(width), int(height), memoryDC, 0, 0, SRCCOPY);
}

const char* CrtStatusText(int crtInUse) { return present_mode_crt_text(crtInUse, CrtStatus()); }

int CrtRender(const CrtFrameJob& job) {
  const Presenter& p = g_presenter;
  // The CRT pass runs before PresentFrame, so after a failed Present the device for the
  // window is created again here rather than failing the frame.
  if (!p.device && p.window && !p.inPresent) {
    RECT client;
    GetClientRect(p.window, &client);
    if (!ensure_device(p.window, uint32_t(client.right > 0 ? client.right : 1),
                       uint32_t(client.bottom > 0 ? client.bottom : 1)))
      return 0;
  }
  // Without a ready device the pipeline's own checks fail the frame.
  return crt_gpu_render(p.ready == 1 ? p.device : nullptr, p.context, job);
}
const char* RendererStatusText() { return present_mode_renderer_text(g_presenter.ready); }
const char* SyncStatusText() {
  const Presenter& p = g_presenter;
  return present_mode_sync_text(p.ready, p.lastPresentFlags, uint32_t(p.lastSyncInterval));
}
