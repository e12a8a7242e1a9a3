#include "shell/compose.h"

#include <cstdio>
#include <cstring>

ComposeRect compose_destination(int sourceWidth, int sourceLines, int clientWidth, int clientHeight,
                                int fullscreen, int stretchToFit, int aspect4x3) {
  int dw, dh;
  if (fullscreen && !stretchToFit) {
    dw = sourceWidth;
    dh = aspect4x3 ? sourceWidth * 3 / 4 : sourceLines;
  } else {
    dw = clientWidth;
    dh = clientHeight;
    if (aspect4x3) {
      dh = clientWidth * 3 / 4;
      if (dh > clientHeight) {
        dh = clientHeight;
        dw = clientHeight * 4 / 3;
      }
    }
  }
  return ComposeRect{(clientWidth - dw) / 2, (clientHeight - dh) / 2, dw, dh};
}

void compose_reference(const uint8_t* source, const uint8_t* palette, int sourceWidth, int sourceLines,
                       uint32_t* surface, int surfaceWidth, int surfaceHeight, ComposeRect d) {
  memset(surface, 0, size_t(surfaceWidth) * size_t(surfaceHeight) * 4);
  for (int y = 0; y < d.height; y++) {
    int ty = d.y + y;
    if (ty < 0 || ty >= surfaceHeight) continue;
    int sy = int((int64_t(2 * y + 1) * sourceLines) / (2 * int64_t(d.height)));
    for (int x = 0; x < d.width; x++) {
      int tx = d.x + x;
      if (tx < 0 || tx >= surfaceWidth) continue;
      int sx = int((int64_t(2 * x + 1) * sourceWidth) / (2 * int64_t(d.width)));
      const uint8_t* entry = palette + 4 * source[sy * sourceWidth + sx];
      surface[ty * surfaceWidth + tx] = entry[0] | entry[1] << 8 | entry[2] << 16;
    }
  }
}

int compose_crt_pass_in_use(const CrtSettings& s) {
  return s.crtFiltersEnabled && (s.Scanlines | s.Distortion | s.Glow | s.RGBMask | s.Persistence |
                                 s.ChromaticSeparation | s.ColorBleeding | s.Bloom);
}

void overlay_build_text(const OverlayState& state, const CrtSettings& s, OverlayText* text) {
  char rate[40];
  if (state.paused)
    snprintf(rate, sizeof rate, "Paused");
  else if (state.rateValid)
    snprintf(rate, sizeof rate, "%u.%u FPS (%u.%u ms/frame)", state.fps10 / 10, state.fps10 % 10,
             state.ms10 / 10, state.ms10 % 10);
  else
    snprintf(rate, sizeof rate, "--.- FPS (--.- ms/frame)");
  snprintf(text->line[0], kOverlayTextSize, "%s [%.16s]", rate, state.syncText);
  if (state.workValid)
    snprintf(text->line[1], kOverlayTextSize, "Render work: %u.%02u ms/frame", state.workMicroseconds / 1000,
             (state.workMicroseconds % 1000) / 10);
  else
    snprintf(text->line[1], kOverlayTextSize, "Render work: --.-- ms/frame");
  snprintf(text->line[2], kOverlayTextSize, "%s", state.rendererText);
  snprintf(text->line[3], kOverlayTextSize, "%s", state.crtText);

  struct Toggle {
    const char* label;
    uint32_t CrtSettings::*field;
  };
  static const Toggle kToggles[kOverlayListMax] = {
      {"[Space] CRT filters", &CrtSettings::crtFiltersEnabled},
      {"[L] Scanlines", &CrtSettings::Scanlines},
      {"[C] CRT distortion", &CrtSettings::Distortion},
      {"[G] Phosphor glow", &CrtSettings::Glow},
      {"[R] RGB mask", &CrtSettings::RGBMask},
      {"[V] Persistence", &CrtSettings::Persistence},
      {"[H] Chromatic", &CrtSettings::ChromaticSeparation},
      {"[B] Color bleed", &CrtSettings::ColorBleeding},
      {"[O] Bloom", &CrtSettings::Bloom},
  };
  text->listCount = s.crtFiltersEnabled ? kOverlayListMax : 1;
  for (int i = 0; i < text->listCount; i++)
    snprintf(text->list[i], kOverlayTextSize, "%s: %s", kToggles[i].label,
             s.*kToggles[i].field ? "ON" : "OFF");
}

uint32_t overlay_font_height(uint32_t w, uint32_t h, uint32_t n, uint32_t line1Length) {
  uint32_t d = h / 60;
  if (d < 16) d = 16;
  if (d > 36) d = 36;
  uint32_t g = (h - 20) / (n + 4);
  g = g > 2 ? g - 2 : 0;
  g = g * 4 / 5;
  if (g < 8) g = 8;
  if (g < d) d = g;
  uint32_t f = (w > 28 ? w - 28 : 0) * 5 / (3 * line1Length);
  if (f < 8) f = 8;
  if (f < d) d = f;
  return d;
}

OverlayLayout overlay_place(int w, int h, const int lineHeights[4], int listLineHeight, int n, int widest) {
  OverlayLayout o;
  o.lineY[0] = 12;
  o.lineY[1] = lineHeights[0] + 14;
  o.lineY[2] = o.lineY[1] + lineHeights[1] + 2;
  o.lineY[3] = o.lineY[2] + lineHeights[2] + 2;
  o.listY = o.lineY[3] + lineHeights[3] + 2;
  o.listStep = listLineHeight + 2;
  o.right = w - 8;
  o.top = 8;
  o.left = w - 20 - widest > 0 ? w - 20 - widest : 0;
  int bottom = o.listY + n * o.listStep + 4;
  o.bottom = bottom < h ? bottom : h;
  o.textX = o.left + 6;
  return o;
}

void present_rate_reset(PresentRateMeter* m) {
  m->started = 0;
  m->valid = 0;
}

void present_rate_feed(PresentRateMeter* m, int paused, int64_t now, int64_t frequency) {
  if (paused) {
    present_rate_reset(m);
    return;
  }
  if (!m->started) {
    m->started = 1;
    m->count = 0;
    m->windowStart = now;
    return;
  }
  m->count++;
  int64_t elapsed = now - m->windowStart;
  if (elapsed < frequency / 2) return;
  int64_t count = m->count;
  m->fps10 = uint32_t((count * 10 * frequency * 2 + elapsed) / (2 * elapsed));
  m->ms10 = uint32_t((elapsed * 10000 * 2 + frequency * count) / (2 * frequency * count));
  m->valid = 1;
  m->count = 0;
  m->windowStart = now;
}
