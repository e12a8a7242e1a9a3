// The DOS prompt interlude between runs: a 640 x 400 text-mode picture (80 x 25 cells
// of 8 x 16 pixels, the 16-colour text palette), the prompt with a blinking underline
// cursor, and after 5 s either the end or the program's name typed at the prompt and a
// new run at 6 s. Portable: it draws into a caller's pixel buffer and is stepped with
// the millisecond clock; interlude_win32.cpp owns the bitmap and the timer.
#pragma once
#include <cstdint>

#include "base/shared_frame.h"

constexpr int kInterludeWidth = 640;
constexpr int kInterludeHeight = 400;
constexpr uint32_t kInterludePixels = kInterludeWidth * kInterludeHeight;
constexpr int kInterludeColumns = 80;
constexpr int kInterludeRows = 25;
constexpr uint8_t kInterludeAttribute = 0x07;  // light grey on black

constexpr char kInterludePrompt[] = "C:\\KOHR\\RELEASES\\KOHR_V97>";
constexpr char kInterludeTyped[] = "kohr_97";
constexpr uint32_t kInterludePromptLength = sizeof kInterludePrompt - 1;  // 26
constexpr uint32_t kInterludeTypedLength = sizeof kInterludeTyped - 1;    // 7

constexpr uint32_t kInterludeWaitMs = 5000;     // prompt alone, then quit or type
constexpr uint32_t kInterludeTypeMs = 100;      // one character every 100 ms
constexpr uint32_t kInterludeRestartMs = 6000;  // the new run starts
constexpr uint32_t kInterludeBlinkMs = 500;

// StepInterlude's answers.
enum InterludeStep { kInterludeGoOn = 0, kInterludeQuit = 1, kInterludeRestart = 2 };

// Last drawn blink state of the cursor.
enum CursorShown { kCursorNone = -1, kCursorHidden = 0, kCursorVisible = 1 };

struct InterludeState {
  uint8_t* pixels;          // 640 x 400 colour indices, top row first
  uint32_t interludeStart;  // clock when the interlude started
  uint32_t typedCount;      // characters typed so far, 0..7
  int32_t cursorShown;      // CursorShown
};

// The bitmap's colour table: the 16 text colours as blue, green, red, 0; entries
// 16..255 black.
void interlude_palette(uint8_t palette[kFramePaletteSize]);

// Character c with attribute a (foreground in bits 0..3, background in bits 4..7) at
// cell n (column n mod 80, row n / 80).
void interlude_draw_char(uint8_t* pixels, uint32_t cell, uint8_t c, uint8_t attribute);

// Clears the picture, draws the prompt and the cursor; the interlude starts at clock.
void interlude_begin(InterludeState* state, uint8_t* pixels, uint32_t clock);

// Redraws the cursor cell when its blink state differs from the one drawn last: shown
// for the first 500 ms, hidden for the next 500, and so on.
void UpdateCursor(InterludeState* state, uint32_t clock);

// One tick: kInterludeGoOn, kInterludeQuit (after 5 s without "Loop demo" or after a stop
// request) or kInterludeRestart (at 6 s, the name typed from 5.0 s to 5.6 s).
int StepInterlude(InterludeState* state, uint32_t clock, int loopDemo, int stopDemo);
