#include "demo/text.h"

#include "content/font_data.h"
#include "content/text_data.h"
#include "demo/demo_state.h"

namespace {

constexpr int32_t kGlyphRows = 7, kMaxKick = 20, kLowestSlide = 200;

// Every line, wherever its slide or a kick takes it, stays inside WorkScreen rows 0..399,
// and every glyph it names is in the font; drawing never clips or checks.
constexpr bool lines_fit() {
  for (uint32_t p = 0; p < kPageCount; ++p) {
    const uint32_t* page = kTextPages + kTextPageStart[p];
    if (page[0] > kLineSlots) return false;
    for (uint32_t k = 0; k < page[0]; ++k) {
      const uint32_t* line = kTextLines + page[1 + k];
      int32_t width = 0;
      for (uint32_t g = 0; g < line[0]; ++g) {
        if (line[2 + g] >= static_cast<uint32_t>(kFontGlyphCount)) return false;
        width += kFontAdvance[line[2 + g]];
      }
      int64_t first = 320 + static_cast<int64_t>(line[1]) - 4;  // row 1, the kick's farthest left
      int64_t last = 320 + line[1] + 320 * (kLowestSlide + kGlyphRows - 1) + width + kMaxKick + 12;
      if (first < 0 || last > 320 * 400) return false;
    }
  }
  return true;
}
static_assert(sizeof(kTextPageStart) / sizeof(kTextPageStart[0]) == kPageCount, "ten pages");
static_assert(lines_fit(), "text lines must stay inside the work screen");

}  // namespace

uint8_t* glyph_draw(uint8_t* pen, uint32_t glyph) {
  for (int i = kFontPixelStart[glyph]; i < kFontPixelStart[glyph + 1]; ++i)
    pen[kFontPixelOffset[i]] = kFontPixelColour[i];
  return pen + kFontAdvance[glyph];
}

void text_draw_page() {
  const DemoState& s = g_demo;
  const uint32_t* page = s.pageTable[s.pageIndex];
  for (uint32_t k = 0; k < s.pageLineCount; ++k) {
    const uint32_t* line = kTextLines + page[1 + k];
    uint8_t* pen = s.workScreenRow1 + line[1] + s.MotionTable[s.lineMotion[k]] + s.KickTable[s.kickIndex];
    for (uint32_t g = 0; g < line[0]; ++g) pen = glyph_draw(pen, line[2 + g]);
  }
}

void text_advance_kicks() {
  DemoState& s = g_demo;
  for (int flag = 0; flag < kKickFlags; ++flag) {
    if (!s.cueFlags[flag]) continue;
    s.kickIndex += s.textSteps;
    if (s.kickIndex >= kKickSteps) {
      s.kickIndex = 0;
      s.cueFlags[flag] = 0;
    }
  }
}

void text_advance_lines() {
  DemoState& s = g_demo;
  s.releaseCounter += 8 * s.textSteps;  // a new line every 32 steps
  uint32_t moving = static_cast<uint32_t>(s.releaseCounter) / 256 + 1;
  if (moving > s.pageLineCount) {
    moving = s.pageLineCount;
    s.releaseCounter = -1;
  }
  for (uint32_t k = 0; k < moving; ++k) {
    s.lineMotion[k] += s.textSteps;
    if (s.lineMotion[k] > kMotionSteps - 1) s.lineMotion[k] = kMotionSteps - 1;
  }
  if (s.releaseCounter != -1) return;
  for (int32_t& motion : s.lineMotion) motion = 0;
  s.releaseCounter = 0;
  s.pageIndex = (s.pageIndex + 1) % kPageCount;
  s.pageLineCount = s.pageTable[s.pageIndex][0];
}
