// The program's two clocks: the millisecond clock that paces the frames
// (timeGetTime; 1 ms resolution while the fine period is in force) and the
// performance counter that the meters and the audio clock read.
#pragma once
#include <cstdint>

uint32_t clock_ms();
// timeBeginPeriod(1) and timeEndPeriod(1), in pairs.
void clock_begin_fine_period();
void clock_end_fine_period();
int64_t clock_counter();
int64_t clock_counter_frequency();
