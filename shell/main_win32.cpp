// Process start-up, the main thread's message loop and the orderly shutdown.
// clang-format off
#include <windows.h>
// clang-format on
#include <shellapi.h>

#include <cstdlib>

#include "audio/audio_output.h"
#include "base/asset_image.h"
#include "base/clock_win32.h"
#include "base/test_log_win32.h"
#include "gpu/crt_frame.h"
#include "gpu/presenter_win32.h"
#include "record/record_mode.h"
#include "shell/assets.h"
#include "shell/compose_win32.h"
#include "shell/config.h"
#include "shell/cursor_win32.h"
#include "shell/display_modes_win32.h"
#include "shell/fullscreen_win32.h"
#include "shell/interlude_win32.h"
#include "shell/keep_awake_win32.h"
#include "shell/menu.h"
#include "shell/menu_win32.h"
#include "shell/setup_dialog_win32.h"
#include "shell/shell_flags.h"
#include "shell/shell_win32.h"
#include "shell/window_size_win32.h"

ShellFlags g_shell;
HWND g_window;
HMENU g_contextMenu;
CRITICAL_SECTION frameLock;
SharedFrame g_sharedFrame;

namespace {

constexpr int kIconResource = 101;
constexpr int kMenuResource = 109;
constexpr char kClassName[] = "Vrinx32Class";
constexpr uint32_t kMinimumWidth = 320;
constexpr uint32_t kMinimumHeight = 200;

HMENU g_menu;

// A failed start-up step: the message, the audio part closed (a no-op before it
// opened), exit code 1.
[[noreturn]] void fail(const char* message) {
  MessageBoxA(nullptr, message, kProgramTitle, MB_OK | MB_ICONERROR);
  audio_close();
  ExitProcess(1);
}

// Wide calls: the ANSI path of a folder named outside the code page holds '?' and can't be entered.
void enter_executable_folder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  wchar_t* slash = nullptr;
  for (wchar_t* p = path; *p; ++p)
    if (*p == L'\\') slash = p;
  if (!slash) return;
  *slash = 0;
  SetCurrentDirectoryW(path);
}

bool create_window(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = shell_window_proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.lpszClassName = kClassName;
  if (!RegisterClassExA(&wc)) return false;

  // 4:3 shows the 200 lines as 240.
  RECT r = {0, 0, 320, g_settings.AspectRatio4x3 ? 240 : 200};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  g_window = CreateWindowExA(0, kClassName, kProgramTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (!g_window) return false;
  // Single size in the pixels of the monitor the window was placed on.
  int width, height;
  menu_client_size(1, g_settings.AspectRatio4x3, int(window_dpi(g_window)), &width, &height);
  window_set_client_size(g_window, width, height);
  return true;
}

void run_message_loop() {
  for (;;) {
    HANDLE thread = reinterpret_cast<HANDLE>(g_shell.demoThread);
    DWORD wait = MsgWaitForMultipleObjects(thread ? 1 : 0, &thread, FALSE, INFINITE, 0xFF);
    if (thread && wait == WAIT_OBJECT_0) {
      CloseHandle(thread);
      g_shell.demoThread = 0;
      if (g_shell.quitRequested || g_shell.exitCode || record_failed()) return;
      SendMessageA(g_window, WM_APP_DEMO_FINISHED, 0, 0);
    } else if (wait == WAIT_FAILED) {
      g_shell.exitCode = 1;
      g_shell.stopDemo = 1;
      Sleep(1);
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        g_shell.stopDemo = 1;
        g_shell.quitRequested = 1;
        EndMenu();
        if (!g_shell.demoThread) return;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

[[noreturn]] void shutdown() {
  test_log("shutdown exit code %d", g_shell.exitCode);
  keep_awake_enter(kShowEnded);
  KillTimer(g_window, kInterludeTimer);
  interlude_delete_bitmap();
  cursor_stop(g_window);
  FreeSnapshots();
  CrtFreeBuffers();
  DeleteOverlayFont();
  PresenterShutdown();
  RestoreDisplayMode();
  ReleaseSurface();
  DestroyMenu(g_menu);
  DeleteCriticalSection(&frameLock);
  clock_end_fine_period();
  audio_unload_song();
  audio_close();
  DestroyWindow(g_window);
  ExitProcess(static_cast<UINT>(g_shell.exitCode));
}

// The setup dialog, or with /nogui or while recording the current display's modes and the defaults.
void choose_setup(HINSTANCE instance) {
  if (g_record.recording || shell_has_switch(L"/nogui")) {
    PrepareDisplayModes(kMinimumWidth, kMinimumHeight);
    return;
  }
  SetupDialogParams params = {};
  params.instance = instance;
  params.title = kProgramTitle;
  params.iconResource = kIconResource;
  params.infoText = kSetupInfoText;
  params.minWidth = kMinimumWidth;
  params.minHeight = kMinimumHeight;
  // Leaving the dialog ends the program before anything else is done.
  if (ShowSetupDialog(params) != kSetupRunDemo) ExitProcess(0);
}

// Test hook: VRINX_TEST_TAIL=ms starts the first run that long before the song's end, so
// the end, the interlude and the next run come without the whole show.
void test_tail() {
  const char* tail = getenv("VRINX_TEST_TAIL");
  if (tail) audio_test_tail(strtoul(tail, nullptr, 10));
}

}  // namespace

bool shell_start_demo_thread() {
  HANDLE thread = CreateThread(nullptr, 0, demo_thread_main, nullptr, 0, nullptr);
  g_shell.demoThread = reinterpret_cast<uintptr_t>(thread);
  return thread != nullptr;
}

bool shell_has_switch(const wchar_t* name) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return false;
  bool found = false;
  for (int i = 1; i < count && !found; ++i) found = lstrcmpiW(args[i], name) == 0;
  LocalFree(args);
  return found;
}

int main(int argc, char** argv) {
  // Libraries loaded from here on, and those they load, come from the system folder only,
  // never from the executable's folder or the current directory.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!record_parse_command_line(argc, argv)) return 2;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  enter_executable_folder();
  LoadConfiguration(L"Vrinx.ini", kProgramTitle, &g_settings.AspectRatio4x3, &g_settings.StretchToFit);
  choose_setup(instance);
  if (g_record.recording) {
    static const AudioRecorder recorder = {record_clock, record_prepare_track};
    g_settings.loopDemo = 0;
    g_record.trackSoundOn = g_settings.Music != 0;
    g_record.trackVolumePercent = 100;
    audio_set_recorder(&recorder);
    // The recorded frames' CRT pass runs on the CPU: the same bytes on every machine,
    // and far faster than a software rasterizer.
    crt_frame_use_cpu(1);
  }

  if (!UnpackAssets()) fail("Unable to decompress embedded assets. Windows 8 or later is required.");

  // A recording opens no device whatever the sound switch says: its track is the song itself.
  bool device = g_settings.Music && !g_record.recording && audio_open(kAudioDefaultDevice, 44100);
  bool opened = device || audio_open(kAudioSilent, 44100);
  test_log("audio output: %s", device ? "wave device" : "silent");
  if (!opened || !audio_load_song(AssetImage + kMusicOffset, kMusicSize))
    fail("Unable to initialize the music player or load the embedded music.");
  test_tail();

  InitializeCriticalSection(&frameLock);
  if (!create_window(instance)) fail("Unable to create the demo window.");
  g_menu = LoadMenuA(instance, MAKEINTRESOURCEA(kMenuResource));
  g_contextMenu = GetSubMenu(g_menu, 0);

  // The dialog's "Fullscreen" (on by default, so also under /nogui): full screen before the
  // presenter exists, and locked there. A recording stays in its window.
  if (!g_record.recording && g_settings.fullscreenRequested) {
    ToggleFullscreen();
    g_shell.fullscreenLocked = g_shell.fullscreenActive;
  }

  RECT client;
  GetClientRect(g_window, &client);
  if (g_record.recording ? !PresenterCreateDeviceOnly()
                         : !PresenterCreateForWindow(g_window, client.right, client.bottom)) {
    RestoreDisplayMode();  // the message and the exit leave the desktop's mode as it was
    PresenterFatal();
    ExitProcess(1);
  }

  menu_refresh(g_window);
  cursor_start(g_window);
  ShowWindow(g_window, SW_SHOW);
  UpdateWindow(g_window);
  clock_begin_fine_period();
  keep_awake_enter(kShowRun);

  if (shell_start_demo_thread()) {
    run_message_loop();
    record_finish(g_window, g_shell.quitRequested != 0);
    if (record_failed()) g_shell.exitCode = 1;
  } else {
    g_shell.exitCode = 1;
  }
  shutdown();
}
