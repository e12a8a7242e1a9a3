// The GDI composition of each frame (black, the scaled picture, the overlay) into
// the off-screen 32-bit surface, which is then handed to the presenter.
#pragma once
#include <windows.h>

#include <cstdint>

extern int32_t overlayMode;  // 0 hidden, 1 shown (F2)

void Paint(HDC windowDC);
// WM_PRINTCLIENT, and WM_PAINT with a device context in wParam.
void compose_copy_surface(HDC target);
// WM_PRINT: the non-client area from the system, then the last composed frame.
void compose_print_surface(HWND window, HDC target, UINT flags);
void ReleaseSurface();
void DeleteOverlayFont();
void ResetPresentRateMeter();
