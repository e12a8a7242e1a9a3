#include "shell/keep_awake_win32.h"

#include "audio/audio_output.h"
#include "base/test_log_win32.h"
#include "record/record_mode.h"
#include "shell/shell_flags.h"

namespace {

constexpr EXECUTION_STATE kStateFlags[] = {
    ES_CONTINUOUS,                                             // kKeepNothing
    ES_CONTINUOUS | ES_SYSTEM_REQUIRED,                        // kKeepSystem
    ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED,  // kKeepDisplayAndSystem
};

ShowStage g_stage = kShowDialog;
EXECUTION_STATE g_asked;  // 0 before the first request

AwakeRequest current() {
  return keep_awake_request(
      {g_stage, g_shell.paused != 0, g_record.recording, g_shell.fullscreenActive != 0});
}

// The audio clock goes into the log line too: it shows the music held while paused.
void ask(bool always) {
  EXECUTION_STATE flags = kStateFlags[current().keep];
  if (!always && flags == g_asked) return;
  g_asked = flags;
  SetThreadExecutionState(flags);
  test_log("execution state %08lx, audio frames %lu", static_cast<unsigned long>(flags),
           static_cast<unsigned long>(audio_position_frames()));
}

}  // namespace

void keep_awake_enter(ShowStage stage) {
  g_stage = stage;
  ask(true);
}

void keep_awake_refresh() { ask(false); }

bool keep_awake_refuses(WPARAM command) {
  WPARAM type = command & 0xFFF0;
  if (type != SC_SCREENSAVE && type != SC_MONITORPOWER) return false;
  bool refused = current().refusePowerCommands;
  test_log("system command %04x %s", static_cast<unsigned>(type), refused ? "refused" : "passed on");
  return refused;
}
