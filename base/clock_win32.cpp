#include "base/clock_win32.h"

#include "base/winmm_win32.h"

// Without winmm.dll the tick count stands in: the same milliseconds, coarser steps.
uint32_t clock_ms() {
  const Winmm* mm = winmm();
  return mm ? mm->timeGetTime() : GetTickCount();
}

void clock_begin_fine_period() {
  if (const Winmm* mm = winmm()) mm->timeBeginPeriod(1);
}

void clock_end_fine_period() {
  if (const Winmm* mm = winmm()) mm->timeEndPeriod(1);
}

int64_t clock_counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t clock_counter_frequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}
