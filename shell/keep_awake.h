// What the program asks the system to keep on while the show is presented: a playing
// show or its interlude keeps the display and the system awake and, in full screen,
// refuses the screen saver and monitor power-off; a paused or finished show lets the
// idle timers run again; a recording keeps only the system awake until its file is done.
// Portable: keep_awake_win32.cpp turns the answer into execution-state flags.
#pragma once

enum ShowStage { kShowDialog, kShowRun, kShowInterlude, kShowEnded };

struct ShowView {
  ShowStage stage;
  bool paused;     // the interlude goes on regardless
  bool recording;  // pausing has no effect there
  bool fullscreen;
};

enum KeepAwake { kKeepNothing, kKeepSystem, kKeepDisplayAndSystem };

struct AwakeRequest {
  KeepAwake keep;
  bool refusePowerCommands;  // SC_SCREENSAVE and SC_MONITORPOWER
};

AwakeRequest keep_awake_request(const ShowView& view);
