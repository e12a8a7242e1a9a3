// The program's two clocks: the millisecond clock that paces the frames
// (timeGetTime; 1 ms resolution while timeBeginPeriod(1) is in force) and the
// performance counter that the meters and the audio clock read.
#pragma once
#include <cstdint>

uint32_t clock_ms();
int64_t clock_counter();
int64_t clock_counter_frequency();
