/* Shared by the stand-in vendor libraries: the behaviour a test asks for, read from
   the environment, and a line log of the calls made into the library. */
#pragma once
#include <stdarg.h>
#include <windows.h>

/* The value of VARIABLE (empty when unset). */
static inline void stand_in_mode(const char* variable, char* mode, DWORD size) {
  if (!GetEnvironmentVariableA(variable, mode, size) || GetLastError() == ERROR_ENVVAR_NOT_FOUND) mode[0] = 0;
}

/* Appends one line to the file named by VRINX_STAND_IN_LOG. */
static void stand_in_log(const char* format, ...) {
  char path[MAX_PATH], line[512];
  if (!GetEnvironmentVariableA("VRINX_STAND_IN_LOG", path, sizeof path)) return;
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(line, format, args);
  va_end(args);
  line[n++] = '\n';
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, line, (DWORD)n, &written, NULL);
  CloseHandle(file);
}

/* The display device name of the primary monitor, e.g. "\\.\DISPLAY1". */
static inline void primary_device(char* name) {
  MONITORINFOEXA info;
  POINT origin = {0, 0};
  info.cbSize = sizeof info;
  name[0] = 0;
  if (GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), (MONITORINFO*)&info))
    lstrcpyA(name, info.szDevice);
}

/* Loaded and unloaded within one probe: a detach while the process ends means a leak. */
#define STAND_IN_DLLMAIN(NAME)                                                                     \
  BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {                         \
    (void)instance;                                                                                \
    if (reason == DLL_PROCESS_ATTACH) stand_in_log(NAME " attach");                                \
    if (reason == DLL_PROCESS_DETACH) stand_in_log(NAME " detach %s", reserved ? "exit" : "free"); \
    return TRUE;                                                                                   \
  }
