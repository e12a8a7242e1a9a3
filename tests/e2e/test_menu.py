"""The context menu opened from the keyboard (WM_CONTEXTMENU with lParam -1) appears 30 pixels
right of and 50 below the window's top-left corner, with its check marks refreshed first; a
WM_CLOSE while it is open ends the demo thread, whose end closes the menu, and the program
exits with code 0."""
import harness
from testlog import TestLog


def test(args):
    log = TestLog("menu")
    try:
        with harness.Vrinx(args, env=log.env) as run:
            run.wait_window()
            left, top = (int(v) for v in run.winctl("window")[1].split()[:2])
            harness.check(run.winctl("menukey")[0] == 0, "WM_CONTEXTMENU could not be posted")
            code, out = run.winctl("popup", "60", timeout=90)
            harness.check(code == 0, "no popup menu appeared")
            at = tuple(int(v) for v in out.split())
            harness.check(at == (left + 30, top + 50), "menu at %r, window at %r" % (at, (left, top)))
            state = log.menu()
            harness.check(state is not None and 40005 in state[0] and 40002 in state[0],
                          "menu not refreshed before opening: %r" % (state,))

            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            code = run.wait_exit()
            harness.check(code == 0, "exit code %r with the menu open" % code)
    finally:
        log.remove()


if __name__ == "__main__":
    harness.main(test)
