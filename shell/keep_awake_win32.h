// The main thread's execution state (SetThreadExecutionState holds per thread) and the
// window's answer to the power system commands, from the portable keep_awake_request.
#pragma once
#include <windows.h>

#include "shell/keep_awake.h"

// A new stage: its state is asked for (and logged) even when it equals the last one.
void keep_awake_enter(ShowStage stage);
// The flags may have changed (pause): asked for again when the answer differs.
void keep_awake_refresh();
// WM_SYSCOMMAND: true when the command is a screen-saver or monitor-power request that
// the window refuses now.
bool keep_awake_refuses(WPARAM command);
