// An off-screen GDI surface: a memory device context with a 32-bit top-down DIB
// section selected into it, so that GDI draws or blits into it and the program reads
// the pixels (rows of width*4 bytes: blue, green, red, unused) straight from memory.
//   GdiSurface s = {};
//   if (gdi_surface_create(referenceDC, width, height, &s)) { ...draw into s.dc... }
//   gdi_surface_release(&s);
// Win32 only; a surface belongs to the thread that made it.
#pragma once
#include <windows.h>

#include <cstdint>

struct GdiSurface {
  HDC dc;  // null while there is no surface
  HBITMAP bitmap;
  HGDIOBJ previous;  // what the DC held before the bitmap; put back before the DC goes
  const uint32_t* pixels;
  uint32_t width, height;
};

// Makes a surface compatible with `reference`. False, with nothing left behind and
// *surface unchanged, when width or height is 0 or above 16384 or GDI refuses.
bool gdi_surface_create(HDC reference, uint32_t width, uint32_t height, GdiSurface* surface);

// Puts the old object back, deletes the bitmap and the DC, and empties *surface;
// an empty surface is left alone.
void gdi_surface_release(GdiSurface* surface);
