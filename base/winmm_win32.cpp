#include "base/winmm_win32.h"

namespace {

template <typename F>
bool resolve(HMODULE library, const char* name, F* function) {
  *function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *function != nullptr;
}

const Winmm* load() {
  static Winmm f;
  HMODULE library = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  bool found = library && resolve(library, "timeGetTime", &f.timeGetTime) &&
               resolve(library, "timeBeginPeriod", &f.timeBeginPeriod) &&
               resolve(library, "timeEndPeriod", &f.timeEndPeriod) &&
               resolve(library, "waveOutOpen", &f.waveOutOpen) &&
               resolve(library, "waveOutClose", &f.waveOutClose) &&
               resolve(library, "waveOutPrepareHeader", &f.waveOutPrepareHeader) &&
               resolve(library, "waveOutUnprepareHeader", &f.waveOutUnprepareHeader) &&
               resolve(library, "waveOutWrite", &f.waveOutWrite) &&
               resolve(library, "waveOutReset", &f.waveOutReset) &&
               resolve(library, "waveOutPause", &f.waveOutPause) &&
               resolve(library, "waveOutRestart", &f.waveOutRestart) &&
               resolve(library, "waveOutGetPosition", &f.waveOutGetPosition) &&
               resolve(library, "waveOutSetVolume", &f.waveOutSetVolume);
  return found ? &f : nullptr;
}

}  // namespace

const Winmm* winmm() {
  static const Winmm* const loaded = load();
  return loaded;
}
