#include "base/gdi_surface_win32.h"

namespace {

// The DIB section for `dc`; null when width or height is 0 or above 16384.
HBITMAP CreateTopDownDib(HDC dc, uint32_t width, uint32_t height, void** bits) {
  if (width == 0 || height == 0 || width > 0x4000 || height > 0x4000) return nullptr;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = LONG(width);
  header.biHeight = -LONG(height);  // top-down
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

bool gdi_surface_create(HDC reference, uint32_t width, uint32_t height, GdiSurface* surface) {
  HDC dc = CreateCompatibleDC(reference);
  if (!dc) return false;
  void* bits = nullptr;
  HBITMAP bitmap = CreateTopDownDib(reference, width, height, &bits);
  if (!bitmap) {
    DeleteDC(dc);
    return false;
  }
  *surface =
      GdiSurface{dc, bitmap, SelectObject(dc, bitmap), static_cast<const uint32_t*>(bits), width, height};
  return true;
}

void gdi_surface_release(GdiSurface* surface) {
  if (!surface->dc) return;
  SelectObject(surface->dc, surface->previous);
  DeleteObject(surface->bitmap);
  DeleteDC(surface->dc);
  *surface = GdiSurface{};
}
