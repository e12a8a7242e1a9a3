#include "demo/palette_port.h"

#include "base/frame_publish.h"

uint32_t g_paletteWritePosition;

void dac_set_write_index(uint8_t index) { g_paletteWritePosition = index * 3u; }

void dac_write_component(uint8_t value) {
  // WorkingPalette entries are blue, green, red, 0: component 0 (red) is byte 2.
  uint32_t entry = g_paletteWritePosition / 3, channel = g_paletteWritePosition % 3;
  WorkingPalette[entry * 4 + 2 - channel] = static_cast<uint8_t>((value & 63) * 4);
  if (++g_paletteWritePosition == 768) g_paletteWritePosition = 0;
}
