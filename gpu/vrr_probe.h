// Variable-refresh capability of a monitor: 0 not capable, 1 capable, 2 undetermined.
#pragma once
#include <windows.h>

int ProbeMonitorVrr(HMONITOR monitor);
