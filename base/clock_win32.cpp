#include "base/clock_win32.h"

#include <windows.h>

uint32_t clock_ms() { return timeGetTime(); }

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
