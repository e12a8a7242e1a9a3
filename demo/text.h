// The text layer: pages of invitation text whose lines slide up into place one after
// another and jolt sideways on the music's kicks, drawn with the compiled glyph font.
#pragma once
#include <cstdint>

// Stores glyph `glyph`'s opaque pixels from `pen` on and returns the next pen.
uint8_t* glyph_draw(uint8_t* pen, uint32_t glyph);

// Per frame while the text layer is on, in this order.
void text_draw_page();
void text_advance_kicks();
void text_advance_lines();
