// The show's requests to the system as data: the execution state and the power-command answer for each
// state of the show, and the cursor auto-hide's decisions (hidden 3 s after the last activity, only in full
// screen, in the foreground, resting inside the client area, and never while a menu is open).
#include <gtest/gtest.h>

#include "shell/cursor_idle.h"
#include "shell/keep_awake.h"

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

TEST(CursorIdle, HidesAfterThreeRestingSecondsInFullScreenOnly) {
  const struct {
    const char* what;
    CursorScene scene;  // full screen, menu open, foreground, moved, in client, now, last activity, hidden
    CursorLook look;
  } cases[] = {
      {"resting 2999 ms", {1, 0, 1, 0, 1, 12999, 10000, 0}, kCursorWait},
      {"resting 3000 ms", {1, 0, 1, 0, 1, 13000, 10000, 0}, kCursorHide},
      {"resting long, hidden already", {1, 0, 1, 0, 1, 90000, 10000, 1}, kCursorWait},
      {"3000 ms across the tick count's wrap", {1, 0, 1, 0, 1, 1000, 0xFFFFF830u, 0}, kCursorHide},
      {"2999 ms across the wrap", {1, 0, 1, 0, 1, 999, 0xFFFFF830u, 0}, kCursorWait},
      {"a menu open", {1, 1, 1, 0, 1, 90000, 10000, 0}, kCursorActivity},
      {"a menu open while hidden", {1, 1, 1, 0, 1, 90000, 10000, 1}, kCursorActivity},
      {"windowed", {0, 0, 1, 0, 1, 90000, 10000, 0}, kCursorActivity},
      {"another window in front", {1, 0, 0, 0, 1, 90000, 10000, 0}, kCursorActivity},
      {"moved", {1, 0, 1, 1, 1, 90000, 10000, 1}, kCursorActivity},
      {"resting outside the client area", {1, 0, 1, 0, 0, 90000, 10000, 0}, kCursorActivity},
  };
  for (const auto& c : cases) EXPECT_EQ(cursor_look(c.scene), c.look) << c.what;
}

TEST(CursorIdle, StaysBlankOnlyInFullScreenWithNoMenu) {
  // full screen, hidden, menu open, blank
  const int cases[][4] = {{1, 1, 0, 1}, {1, 1, 1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}};
  for (const auto& c : cases) EXPECT_EQ(cursor_blank(c[0], c[1], c[2]), c[3] != 0) << c[0] << c[1] << c[2];
}

}  // namespace
