// Main-thread state of the Win32 shell shared between its files.
#pragma once
#include <windows.h>

#include "base/shared_frame.h"
#include "record/record_win32.h"

constexpr UINT WM_APP_DEMO_EXITED = 0x8001;
constexpr UINT WM_APP_DEMO_FINISHED = 0x802A;

constexpr char kProgramTitle[] = "Varrowby 97 invitation / kOHR (1997)";

extern HWND g_window;
extern HMENU g_contextMenu;
extern CRITICAL_SECTION frameLock;
extern SharedFrame g_sharedFrame;

// Whole-argument, case-insensitive test of the wide command line.
bool shell_has_switch(const wchar_t* name);

// Creates the demo thread of a new run and records its handle in demoThread.
bool shell_start_demo_thread();

// The millisecond clock of the pacing code.
uint32_t shell_clock_ms();

LRESULT CALLBACK shell_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD WINAPI demo_thread_main(void*);
void FreeSnapshots();
