// The interlude on the main thread: its DIB section, created for each interlude and
// deleted at its end, stepped by timer 1 (every 14 ms) through the portable interlude.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr UINT_PTR kInterludeTimer = 1;
constexpr UINT kInterludeTimerMs = 14;

// Creates the bitmap and draws the prompt; false when the bitmap can't be created.
bool StartInterlude();
// One tick of timer 1: kInterludeGoOn, kInterludeQuit or kInterludeRestart.
int interlude_tick();
// The picture to paint, the cursor brought up to date first.
void interlude_source(const BITMAPINFO** info, const uint8_t** pixels);
void interlude_delete_bitmap();
