#include "base/winmm_win32.h"

#include "base/system_library_win32.h"

namespace {

template <typename F>
bool resolve(HMODULE library, const char* name, F* function) {
  *function = library_function<F>(library, name);
  return *function != nullptr;
}

const Winmm* load() {
  static Winmm f;
  HMODULE library = load_system_library(L"winmm.dll");
  bool found = resolve(library, "timeGetTime", &f.timeGetTime) &&
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
