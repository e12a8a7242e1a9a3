// The painted frame with and without the CRT pass, under the real (or Wine's)
// Direct3D 11 and GDI: a 320x200 indexed frame composed into a 32-bit DIB section
// of 640x480 and 1280x960, the plain stretch beside CrtProcessFrame (all effects,
// persistence on) plus its 1:1 draw. Prints ms per frame; presenting is not included.
#include <d3d11.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "base/clock_win32.h"
#include "gpu/crt_constants.h"
#include "gpu/crt_frame.h"
#include "gpu/crt_gpu_win32.h"
#include "gpu/gpu_hooks.h"
#include "shell/config.h"

namespace {

ID3D11Device* g_device;
ID3D11DeviceContext* g_context;

double seconds() { return double(clock_counter()) / double(clock_counter_frequency()); }

}  // namespace

int CrtRender(const CrtFrameJob& job) { return crt_gpu_render(g_device, g_context, job); }
void PresenterFatal() {}
uint32_t crt_clock_ms() { return GetTickCount(); }

int main() {
  const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
  if (FAILED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, &level, 1, D3D11_SDK_VERSION,
                               &g_device, nullptr, &g_context))) {
    printf("no Direct3D 11 device\n");
    return 1;
  }
  g_settings.Persistence = 1;
  CrtSettingsChanged();
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } source = {};
  source.header = {sizeof(BITMAPINFOHEADER), 320, -200, 1, 8, BI_RGB, 64000, 0, 0, 256, 256};
  for (int i = 0; i < 256; i++) source.colours[i] = {BYTE(i), BYTE(i * 3), BYTE(255 - i), 0};
  std::vector<uint8_t> pixels(64000);
  for (size_t i = 0; i < pixels.size(); i++) pixels[i] = uint8_t(i / 320 + (i % 320) / 8);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  const int sizes[2][2] = {{640, 480}, {1280, 960}};
  const int frames = 20;
  for (const auto& size : sizes) {
    int w = size[0], h = size[1];
    BITMAPINFOHEADER header = {sizeof header, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    SetStretchBltMode(dc, COLORONCOLOR);
    double start = seconds();
    for (int f = 0; f < frames; f++)
      StretchDIBits(dc, 0, 0, w, h, 0, 0, 320, 200, pixels.data(), reinterpret_cast<BITMAPINFO*>(&source),
                    DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    double plain = (seconds() - start) * 1000 / frames;
    // The first CRT frame builds the sample map and the GPU buffers: timed apart.
    start = seconds();
    int ok =
        CrtProcessFrame(pixels.data(), reinterpret_cast<uint8_t*>(source.colours), 320, 200, 320, w, h, 0, 0);
    double first = (seconds() - start) * 1000;
    start = seconds();
    for (int f = 0; f < frames && ok; f++) {
      ok = CrtProcessFrame(pixels.data(), reinterpret_cast<uint8_t*>(source.colours), 320, 200, 320, w, h, 0,
                           0);
      StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, CrtOutputPicture(), reinterpret_cast<BITMAPINFO*>(&header),
                    DIB_RGB_COLORS, SRCCOPY);
    }
    GdiFlush();
    double crt = (seconds() - start) * 1000 / frames;
    if (!ok)
      printf("%dx%d: the CRT pass failed\n", w, h);
    else
      printf("%4dx%-4d plain %7.2f ms/frame   CRT %7.2f ms/frame (first frame with map build %.1f ms)\n", w,
             h, plain, crt, first);
    SelectObject(dc, old);
    DeleteObject(dib);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  CrtFreeBuffers();
  CrtReleaseAll();
  g_context->Release();
  g_device->Release();
  return 0;
}
