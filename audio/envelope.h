#pragma once
// Instrument envelopes: amplitude 0..64 over ticks, linear between points.
#include <cstdint>

#include "audio/module.h"

// Value at tick: the last point's amplitude at or past its tick, else interpolated
// between the surrounding points.
int32_t envelope_value(const Envelope& envelope, int32_t tick);

// The tick after one step: jumps back to the loop start on reaching the loop end and
// holds at the sustain tick while the key is on.
int32_t envelope_next_tick(const Envelope& envelope, int32_t tick, int32_t keyOn);
