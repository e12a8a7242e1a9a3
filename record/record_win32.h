// The recorder's Win32 side: its window messages and the frame capture.
#pragma once
#include <windows.h>

#include <cstdint>

// Sent by the recorder: paint the current picture at the recording size and capture it.
constexpr UINT WM_APP_RECORD_PAINT = 0x8028;
// Posted during the interlude while recording: lets the recorder take its next tail frame.
constexpr UINT WM_APP_RECORD_STEP = 0x8029;

// Copies the picture just drawn into `source` (width x height) into the capture surface
// and writes it with its sound; any refusal fails the recording.
void avi_capture_frame(HDC source, uint32_t width, uint32_t height);
