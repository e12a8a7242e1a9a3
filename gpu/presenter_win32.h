// The Direct3D 11 presenter: one device and flip-model swap chain for the main
// window; every composed frame is uploaded into the back buffer and presented.
// Win32 only; all calls come from the thread that owns the window.
#pragma once
#include <windows.h>

#include <cstdint>

int PresenterCreateForWindow(HWND window, uint32_t width, uint32_t height);
int PresenterCreateDeviceOnly();
bool PresenterCheckGpu(HWND owner);
int PresentFrame(HWND window, HDC targetDC, HDC memoryDC, HBITMAP dibSection, uint32_t width, uint32_t height,
                 uint32_t vsyncSetting, uint32_t vrrSetting);
void PresenterShutdown();
void PresenterReleaseAll();
// Shows the Direct3D 11 message once, then closes the window (or ends the process
// with exit code 1 when no window is known).
void PresenterFatal();

void PrintClient(HWND window, HDC targetDC, HDC memoryDC, uint32_t width, uint32_t height, UINT flags);

const char* CrtStatusText(int crtInUse);
const char* RendererStatusText();
const char* SyncStatusText();
