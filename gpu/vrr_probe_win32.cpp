#include "gpu/vrr_probe.h"

// Without a vendor library to ask, the capability stays undetermined, which the
// presenter treats as capable when the swap chain allows tearing.
int ProbeMonitorVrr(HMONITOR) { return 2; }
