#pragma once
// Pitch arithmetic with 15 fraction bits, shared by the loaders and the replay engine.
#include <cstdint>

// About 32768 * 2^(x / 32768): table of 2^(i/128) with linear steps in between.
int32_t exp2_q15(int32_t x);

// Smallest value r on the integer grid (searched from 0x80000 down) with exp2_q15(r) >= a.
int32_t log2_q15(int32_t a);
