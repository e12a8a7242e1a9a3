#include "shell/display_modes.h"

int display_modes_reset(DisplayModeList* list, uint32_t minWidth, uint32_t minHeight) {
  if (minWidth < 1 || minWidth > kDisplayModeMaxSide || minHeight < 1 || minHeight > kDisplayModeMaxSide)
    return 0;
  list->count = 0;
  list->minWidth = minWidth;
  list->minHeight = minHeight;
  return 1;
}

void display_modes_add_current(DisplayModeList* list, const DisplayMode& mode) {
  if (list->count < kDisplayModeCapacity) list->entries[list->count++] = mode;
}

int display_modes_offer(DisplayModeList* list, const DisplayMode& mode) {
  if (list->count >= kDisplayModeCapacity) return 0;
  if (mode.width >= list->minWidth && mode.height >= list->minHeight && mode.bitsPerPixel >= 16)
    list->entries[list->count++] = mode;
  return list->count < kDisplayModeCapacity;
}

namespace {

// Appends (value, entry) unless a choice with that value is there already.
uint32_t add_choice(DisplayModeChoice* out, uint32_t count, uint32_t value, uint32_t entry) {
  for (uint32_t i = 0; i < count; i++)
    if (out[i].value == value) return count;
  out[count] = DisplayModeChoice{value, entry};
  return count + 1;
}

}  // namespace

uint32_t display_modes_resolution_choices(const DisplayModeList* list, DisplayModeChoice* out) {
  uint32_t count = 0;
  for (uint32_t i = 0; i < list->count; i++) {
    const DisplayMode& m = list->entries[i];
    count = add_choice(out, count, display_modes_size_key(m.width, m.height), i);
  }
  return count;
}

uint32_t display_modes_depth_choices(const DisplayModeList* list, uint32_t width, uint32_t height,
                                     DisplayModeChoice* out) {
  uint32_t count = 0;
  for (uint32_t i = 0; i < list->count; i++) {
    const DisplayMode& m = list->entries[i];
    if (m.width == width && m.height == height) count = add_choice(out, count, m.bitsPerPixel, i);
  }
  return count;
}

uint32_t display_modes_rate_choices(const DisplayModeList* list, uint32_t width, uint32_t height,
                                    uint32_t bits, DisplayModeChoice* out) {
  uint32_t count = 0;
  for (uint32_t i = 0; i < list->count; i++) {
    const DisplayMode& m = list->entries[i];
    if (m.width == width && m.height == height && m.bitsPerPixel == bits)
      count = add_choice(out, count, m.refreshRate, i);
  }
  return count;
}

int display_modes_pick(const DisplayModeChoice* choices, uint32_t count, uint32_t value) {
  for (uint32_t i = 0; i < count; i++)
    if (choices[i].value == value) return int(i);
  return count ? 0 : -1;
}
