"""Full screen from a window: F turns the window into a borderless popup over the whole
display at its current mode (sizes grayed in the menu), the cursor hides 3 s after the last
mouse movement inside it and comes back on movement, and F again restores the window's
position, size and style, keeping "Always on top"."""
import harness
from testlog import TestLog

F, T = 0x46, 0x54
WS_POPUP, WS_VISIBLE, WS_CAPTION = 0x80000000, 0x10000000, 0x00C00000


def window(run):
    left, top, width, height, style, ex, topmost = run.winctl("window")[1].split()
    return (int(left), int(top), int(width), int(height)), int(style, 16), topmost == "1"


def test(args):
    log = TestLog("fullscreen")
    try:
        with harness.Vrinx(args, env=log.env) as run:
            run.wait_window()
            screen = tuple(int(v) for v in run.winctl("screen")[1].split())
            harness.eventually(lambda: harness.check(log.menu() is not None, "no menu refresh"))
            before, style, _ = window(run)
            harness.check(style & WS_CAPTION and before[2:] != screen, "not a window at start: %r" % (before,))

            def full_screen():
                rect, style, _ = window(run)
                harness.check(rect == (0, 0) + screen, "window %r, display %r" % (rect, screen))
                harness.check(style & (WS_POPUP | WS_VISIBLE | WS_CAPTION) == WS_POPUP | WS_VISIBLE,
                              "style 0x%08x is not a visible popup" % style)
                harness.check(run.client_rect() == (0, 0) + screen, "client %r" % (run.client_rect(),))

            def windowed(topmost):
                rect, style, on_top = window(run)
                harness.check(rect == before, "window %r after leaving full screen, was %r" % (rect, before))
                harness.check(style & WS_CAPTION and not style & WS_POPUP, "style 0x%08x not restored" % style)
                harness.check(on_top == topmost, "topmost %r, expected %r" % (on_top, topmost))

            harness.check(run.winctl("hold", str(F), "3")[0] == 0, "F could not be posted")
            harness.eventually(full_screen)
            harness.eventually(lambda: harness.check({40010} <= log.menu()[0] and {40002, 40003} <= log.menu()[1],
                                                     "menu %r" % (log.menu(),)))

            # The cursor, resting inside the client area, hides; a movement shows it again.
            harness.check(run.winctl("move", str(screen[0] // 2), str(screen[1] // 2))[0] == 0, "cursor not moved")
            harness.eventually(lambda: harness.check(log.last("cursor ") == "hidden", "cursor not hidden"), 60)
            harness.check(run.winctl("move", str(screen[0] // 3), str(screen[1] // 3))[0] == 0, "cursor not moved")
            harness.eventually(lambda: harness.check(log.last("cursor ") == "shown", "cursor still hidden"))

            harness.check(run.winctl("key", str(F))[0] == 0, "F could not be posted")
            harness.eventually(lambda: windowed(False))

            # Always on top survives a round trip through full screen.
            harness.check(run.winctl("key", str(T))[0] == 0, "T could not be posted")
            harness.eventually(lambda: harness.check(window(run)[2], "not topmost after T"))
            harness.check(run.winctl("key", str(F))[0] == 0, "F could not be posted")
            harness.eventually(full_screen)
            harness.check(run.winctl("key", str(F))[0] == 0, "F could not be posted")
            harness.eventually(lambda: windowed(True))
            harness.check("cursor hidden" not in log.lines()[-3:], "cursor hidden in a window")

            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        log.remove()


if __name__ == "__main__":
    harness.main(test)
