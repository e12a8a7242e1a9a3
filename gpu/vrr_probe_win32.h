// Variable-refresh capability of a monitor, VrrCapability: 0 not capable, 1 capable,
// 2 undetermined. Asks DXGI, then the NVIDIA and AMD display libraries when present;
// every library is loaded from the system folder for one question and unloaded again.
// UI thread only; slow (it loads driver libraries), so callers probe on monitor changes.
#pragma once
#include <windows.h>

// Whether a fresh DXGI factory allows tearing (dxgi.dll is loaded only for the question).
bool vrr_factory_allows_tearing();

// DXGI tearing support, then the capability of the window's monitor.
int ProbeWindowVrr(HWND window);
int ProbeMonitorVrr(HMONITOR monitor);
// The AMD display library's answer for the display device (e.g. "\\.\DISPLAY1").
int ProbeAmdVrr(const char* deviceName);
