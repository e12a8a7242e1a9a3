// The window's DPI and its client size in physical pixels: the single and double sizes are
// numbers at 96 DPI, scaled by the DPI of the monitor the window stands on.
#pragma once
#include <windows.h>

// GetDpiForWindow where Windows has it (10, 1607 and later), else the system DPI.
UINT window_dpi(HWND window);

// Resizes the window, keeping its position, so that its client area is width x height pixels.
void window_set_client_size(HWND window, int width, int height);
