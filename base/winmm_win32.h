// winmm.dll, which is not one of the libraries Windows always takes from its own folder:
// loaded at run time from the system folder only, so that a winmm.dll beside the
// executable is never run. The import table then names only those known libraries.
#pragma once
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

struct Winmm {
  decltype(&::timeGetTime) timeGetTime;
  decltype(&::timeBeginPeriod) timeBeginPeriod;
  decltype(&::timeEndPeriod) timeEndPeriod;
  decltype(&::waveOutOpen) waveOutOpen;
  decltype(&::waveOutClose) waveOutClose;
  decltype(&::waveOutPrepareHeader) waveOutPrepareHeader;
  decltype(&::waveOutUnprepareHeader) waveOutUnprepareHeader;
  decltype(&::waveOutWrite) waveOutWrite;
  decltype(&::waveOutReset) waveOutReset;
  decltype(&::waveOutPause) waveOutPause;
  decltype(&::waveOutRestart) waveOutRestart;
  decltype(&::waveOutGetPosition) waveOutGetPosition;
  decltype(&::waveOutSetVolume) waveOutSetVolume;
};

// The library's functions, loaded on the first call (thread-safe) and kept for the
// process's life; nullptr when the library or one of the functions is missing.
const Winmm* winmm();
