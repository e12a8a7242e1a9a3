"""Started with /nogui the program takes the dialog's defaults, "Fullscreen" among them: the
window covers the display at its current mode from the start and stays there (F and "Always
on top" do nothing, the menu grays them). A display mode Windows refuses shows its message and
the demo runs windowed, where F may try again."""
import harness
from testlog import TestLog

F, T, F2 = 0x46, 0x54, 0x71
WS_POPUP, WS_CAPTION = 0x80000000, 0x00C00000
TITLE = "Varrowby 97 invitation / kOHR (1997)"
REFUSED = "Windows could not activate the selected display mode. The demo will remain windowed."


def window(run):
    left, top, width, height, style, ex, topmost = run.winctl("window")[1].split()
    return (int(left), int(top), int(width), int(height)), int(style, 16), topmost == "1"


def locked_full_screen(args):
    log = TestLog("nogui")
    try:
        with harness.Vrinx(args, ["/nogui"], env=log.env) as run:
            run.wait_window()
            screen = tuple(int(v) for v in run.winctl("screen")[1].split())

            def full_screen():
                rect, style, _ = window(run)
                harness.check(rect == (0, 0) + screen and style & WS_POPUP and not style & WS_CAPTION,
                              "window %r style 0x%08x on a %r display" % (rect, style, screen))

            harness.eventually(full_screen)
            harness.check(log.last("display mode %dx%d: " % screen) == "0", "no switch to the current mode logged")
            # F and T, then F2 as a marker: once F2's menu refresh is logged, F and T were handled.
            for key in (F, T, F2):
                harness.check(run.winctl("key", str(key))[0] == 0, "key could not be posted")

            def refreshed():
                state = log.menu()
                harness.check(state is not None and 40019 in state[0], "F2 not handled yet")
                return state

            checked, grayed, _ = harness.eventually(refreshed)
            harness.check({40010} <= checked and 40007 not in checked, "checked %r" % sorted(checked))
            harness.check(grayed == {40002, 40003, 40010, 40007}, "grayed %r" % sorted(grayed))
            full_screen()
            harness.check(not window(run)[2], "T made the locked full screen topmost")
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        log.remove()


def refused_mode(args):
    log = TestLog("refused")
    env = dict(log.env, VRINX_TEST_MODE="123x45")
    try:
        with harness.Vrinx(args, ["/nogui"], env=env) as run:
            code, text = run.message(TITLE)
            harness.check(code == 0 and REFUSED in text, "message %r" % text)
            run.wait_window()
            harness.eventually(lambda: harness.check(window(run)[1] & WS_CAPTION, "not windowed after the refusal"))
            harness.eventually(lambda: harness.check(log.menu() is not None and not log.menu()[1],
                                                     "menu grays %r" % (log.menu(),)))
            # Not locked: F tries again, and is refused again.
            harness.check(run.winctl("key", str(F))[0] == 0, "F could not be posted")
            code, text = run.message(TITLE)
            harness.check(code == 0 and REFUSED in text, "second message %r" % text)
            harness.check(window(run)[1] & WS_CAPTION, "not windowed after the second refusal")
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        log.remove()


def test(args):
    locked_full_screen(args)
    refused_mode(args)


if __name__ == "__main__":
    harness.main(test)
