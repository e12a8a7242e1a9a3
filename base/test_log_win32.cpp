#include "base/test_log_win32.h"

#include <windows.h>

#include <cstdarg>

void test_log(const char* format, ...) {
  wchar_t path[MAX_PATH];  // wide, like every path the program opens
  DWORD length = GetEnvironmentVariableW(L"VRINX_TEST_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char line[1026];  // wvsprintfA writes at most 1024 characters
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(line, format, args);
  va_end(args);
  line[n++] = '\n';
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(file);
}
