// The display modes that full-screen play can use, and the three dependent
// drop-down lists of the setup dialog (resolution, then depth, then refresh rate).
//
// Usage: display_modes_reset, then display_modes_add_current with the mode the
// display shows now, then display_modes_offer for each enumerated mode until it
// answers 0. The list keeps the order of enumeration and may hold duplicates;
// the display_modes_*_choices functions list each shown value once.
#pragma once
#include <cstdint>

#include "shell/config.h"

constexpr uint32_t kDisplayModeCapacity = 512;
constexpr uint32_t kDisplayModeMaxSide = 4096;

struct DisplayModeList {
  DisplayMode entries[kDisplayModeCapacity];
  uint32_t count;
  uint32_t minWidth, minHeight;
};

// Checks 1..4096 for both sides, stores them and empties the list. Returns 0 when
// a side is out of range (the list is left alone then).
int display_modes_reset(DisplayModeList* list, uint32_t minWidth, uint32_t minHeight);

// The current mode goes first, whatever its size.
void display_modes_add_current(DisplayModeList* list, const DisplayMode& mode);

// Adds a mode of at least the minimum size and 16 bits per pixel. Returns 0 once the
// list is full, so that the enumeration stops.
int display_modes_offer(DisplayModeList* list, const DisplayMode& mode);

// Each choice is one line of a drop-down list: the value it stands for and the index
// of the first entry that shows it. All three return the number of choices written.
struct DisplayModeChoice {
  uint32_t value;  // resolutions: width << 16 | height; depths: bits; rates: Hz
  uint32_t entry;
};
uint32_t display_modes_resolution_choices(const DisplayModeList* list, DisplayModeChoice* out);
uint32_t display_modes_depth_choices(const DisplayModeList* list, uint32_t width, uint32_t height,
                                     DisplayModeChoice* out);
uint32_t display_modes_rate_choices(const DisplayModeList* list, uint32_t width, uint32_t height,
                                    uint32_t bits, DisplayModeChoice* out);

// The line to select: the one showing `value`, else the first; -1 for an empty list.
int display_modes_pick(const DisplayModeChoice* choices, uint32_t count, uint32_t value);

constexpr uint32_t display_modes_size_key(uint32_t width, uint32_t height) {
  return width << 16 | (height & 0xFFFF);
}
