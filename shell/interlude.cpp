#include "shell/interlude.h"

#include <cstring>

#include "content/dos_font_data.h"

namespace {

// The text palette as red, green, blue.
constexpr uint8_t kTextPalette[16][3] = {
    {0, 0, 0},     {0, 0, 170},     {0, 170, 0},    {0, 170, 170},   {170, 0, 0},   {170, 0, 170},
    {170, 85, 0},  {170, 170, 170}, {85, 85, 85},   {85, 85, 255},   {85, 255, 85}, {85, 255, 255},
    {255, 85, 85}, {255, 85, 255},  {255, 255, 85}, {255, 255, 255},
};

constexpr int kCursorFirstRow = 13;  // the underline: glyph rows 13 and 14
constexpr int kCursorLastRow = 14;

}  // namespace

void interlude_palette(uint8_t palette[kFramePaletteSize]) {
  std::memset(palette, 0, kFramePaletteSize);
  for (int i = 0; i < 16; ++i) {
    palette[4 * i + 0] = kTextPalette[i][2];
    palette[4 * i + 1] = kTextPalette[i][1];
    palette[4 * i + 2] = kTextPalette[i][0];
  }
}

void interlude_draw_char(uint8_t* pixels, uint32_t cell, uint8_t c, uint8_t attribute) {
  const uint8_t* glyph = kDosFont + c * 16;
  uint8_t foreground = attribute & 15, background = (attribute >> 4) & 15;
  uint8_t* row = pixels + (cell / kInterludeColumns) * 16 * kInterludeWidth + (cell % kInterludeColumns) * 8;
  for (int y = 0; y < 16; ++y, row += kInterludeWidth)
    for (int bit = 0; bit < 8; ++bit) row[bit] = (glyph[y] & (0x80 >> bit)) ? foreground : background;
}

void interlude_begin(InterludeState* state, uint8_t* pixels, uint32_t clock) {
  std::memset(pixels, 0, kInterludePixels);
  for (uint32_t i = 0; i < kInterludePromptLength; ++i)
    interlude_draw_char(pixels, i, static_cast<uint8_t>(kInterludePrompt[i]), kInterludeAttribute);
  state->pixels = pixels;
  state->interludeStart = clock;
  state->typedCount = 0;
  state->cursorShown = kCursorNone;
  UpdateCursor(state, clock);
}

void UpdateCursor(InterludeState* state, uint32_t clock) {
  int32_t shown =
      (((clock - state->interludeStart) / kInterludeBlinkMs) & 1) == 0 ? kCursorVisible : kCursorHidden;
  if (shown == state->cursorShown) return;
  state->cursorShown = shown;
  uint32_t cell = kInterludePromptLength + state->typedCount;
  interlude_draw_char(state->pixels, cell, ' ', kInterludeAttribute);
  if (shown != kCursorVisible) return;
  uint8_t* row =
      state->pixels + (cell / kInterludeColumns) * 16 * kInterludeWidth + (cell % kInterludeColumns) * 8;
  for (int y = kCursorFirstRow; y <= kCursorLastRow; ++y)
    std::memset(row + y * kInterludeWidth, kInterludeAttribute & 15, 8);
}

int StepInterlude(InterludeState* state, uint32_t clock, int loopDemo, int stopDemo) {
  uint32_t e = clock - state->interludeStart;
  if (e < kInterludeWaitMs) return kInterludeGoOn;
  if (!loopDemo || stopDemo) return kInterludeQuit;
  uint32_t k = (e - kInterludeWaitMs) / kInterludeTypeMs + 1;
  if (k > kInterludeTypedLength) k = kInterludeTypedLength;
  if (k != state->typedCount) {
    for (uint32_t i = 0; i < k; ++i)
      interlude_draw_char(state->pixels, kInterludePromptLength + i, static_cast<uint8_t>(kInterludeTyped[i]),
                          kInterludeAttribute);
    state->typedCount = k;
    state->cursorShown = kCursorNone;
    UpdateCursor(state, clock);
  }
  return e >= kInterludeRestartMs ? kInterludeRestart : kInterludeGoOn;
}
