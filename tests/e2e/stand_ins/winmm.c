/* A winmm.dll planted beside Vrinx.exe, as a file in a downloads folder could be: it only
   logs that it was loaded, which must never happen. */
#include <windows.h>

#include "stand_in_log.h"

STAND_IN_DLLMAIN("winmm")
