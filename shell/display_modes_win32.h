// The display-mode list of the monitor that full-screen play uses: built by the setup
// dialog for the monitor it stands on, or for the current display without a dialog.
#pragma once
#include <windows.h>

#include "shell/display_modes.h"

extern DisplayModeList g_displayModes;
// The monitor the list was built for; null when no dialog chose one (then the list is
// the current display's). Its device name is used for every display-mode call.
extern HMONITOR g_displayModesMonitor;
extern MONITORINFOEXA g_displayModesMonitorInfo;

// Checks 1..4096 for both sides, stores them, clears the list and the selection and
// enumerates. Returns 0 when a side is out of range.
int PrepareDisplayModes(uint32_t minWidth, uint32_t minHeight);
// Enumerates again for g_displayModesMonitor with the stored minimum.
void display_modes_enumerate();
