// The execution state and the power-command answer for each state of the show.
#include "shell/keep_awake.h"

#include <gtest/gtest.h>

namespace {

TEST(KeepAwake, EachStateAsksForItsOwn) {
  const struct {
    const char* name;
    ShowView view;  // stage, paused, recording, full screen
    KeepAwake keep;
    bool refuse;
  } states[] = {
      {"dialog", {kShowDialog, false, false, true}, kKeepNothing, false},
      {"playing windowed", {kShowRun, false, false, false}, kKeepDisplayAndSystem, false},
      {"playing full screen", {kShowRun, false, false, true}, kKeepDisplayAndSystem, true},
      {"paused windowed", {kShowRun, true, false, false}, kKeepNothing, false},
      {"paused full screen", {kShowRun, true, false, true}, kKeepNothing, false},
      // The interlude runs on (and may restart the show) whatever the pause flag says.
      {"interlude full screen", {kShowInterlude, true, false, true}, kKeepDisplayAndSystem, true},
      {"interlude windowed", {kShowInterlude, false, false, false}, kKeepDisplayAndSystem, false},
      {"looping into the next run", {kShowRun, false, false, true}, kKeepDisplayAndSystem, true},
      {"recording", {kShowRun, false, true, false}, kKeepSystem, false},
      {"recording, pause ignored", {kShowRun, true, true, false}, kKeepSystem, false},
      {"recording the interlude", {kShowInterlude, false, true, false}, kKeepSystem, false},
      {"shutdown from full screen", {kShowEnded, false, false, true}, kKeepNothing, false},
      {"shutdown after a recording", {kShowEnded, false, true, false}, kKeepNothing, false},
  };
  for (const auto& s : states) {
    AwakeRequest r = keep_awake_request(s.view);
    EXPECT_EQ(r.keep, s.keep) << s.name;
    EXPECT_EQ(r.refusePowerCommands, s.refuse) << s.name;
  }
}

}  // namespace
