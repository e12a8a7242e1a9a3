// The engine's palette port, shaped like the VGA DAC's write ports 0x3C8/0x3C9:
// a write index, then 6-bit components red, green, blue in turn.
#pragma once
#include <cstdint>

extern uint32_t g_paletteWritePosition;  // component index 0..767

void dac_set_write_index(uint8_t index);
void dac_write_component(uint8_t value);
