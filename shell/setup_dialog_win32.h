// The setup dialog (resource 105) shown before the demo starts: windowed or full
// screen, the display mode, sound, loop, aspect and stretch, the CRT filters and the
// presentation sync. It fills in g_settings only when "Run demo" is pressed.
#pragma once
#include <windows.h>

#include <cstdint>

struct SetupDialogParams {
  HINSTANCE instance;
  HWND owner;
  const char* title;  // "Demo setup" when null
  int iconResource;
  const char* infoText;    // "Info" is disabled when null or empty
  const char* webAddress;  // "Web" likewise
  uint32_t minWidth, minHeight;
  const char* infoCaption;  // the title when null
};

constexpr int kSetupRunDemo = 1;
constexpr int kSetupLeft = 2;

// 1 for "Run demo", 2 for "Exit", Cancel or the close box, -1 when the display-mode
// list can't be prepared (a minimum side of 0 or above 4096) or the dialog can't open.
int ShowSetupDialog(const SetupDialogParams& params);

// The program's information text: title, credits, the help lines; CR LF separated.
extern const char kSetupInfoText[];
