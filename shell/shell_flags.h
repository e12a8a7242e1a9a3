// Words shared by the main thread and the demo thread. Each is a plain aligned
// 32-bit word with one writer per direction; no locked operations.
#pragma once
#include <cstdint>

struct ShellFlags {
  volatile int32_t stopDemo;
  volatile int32_t quitRequested;
  volatile int32_t paused;
  volatile int32_t exitCode;
  volatile uintptr_t demoThread;  // thread handle, 0 when none
  volatile int32_t dosPromptActive;
  volatile int32_t fullscreenActive;
  volatile int32_t fullscreenLocked;
  volatile int32_t runCount;
};

extern ShellFlags g_shell;
