"""The program starts, shows the gliding blue checkerboard from row 6 of the tune on,
and a WM_CLOSE ends it with exit code 0 once the demo thread has ended."""
import os

import harness
import present_checks as pc

LIGHT_BLUE = (7 * 4, 9 * 4, 20 * 4)   # colour 128
DARK_BLUE = (0, 0, 12 * 4)            # colour 129


def test(args):
    log = os.path.join(os.environ.get("TMPDIR", "/tmp"), "vrinx-spine-%d.log" % os.getpid())
    env = {"VRINX_TEST_LOG": "Z:" + log.replace("/", "\\")}
    try:
        # The colours are counted on the plain picture (the CRT effects off).
        with harness.Vrinx(args, env=env, files={"Vrinx.ini": pc.PLAIN_INI}) as run:
            run.wait_window()

            def checkerboard():
                shot = run.screenshot()
                harness.check((shot.width, shot.height) == (320, 240),
                              "client area %dx%d, expected 320x240" % (shot.width, shot.height))
                light, dark = shot.count(LIGHT_BLUE), shot.count(DARK_BLUE)
                harness.check(light > 20000 and dark > 20000,
                              "checkerboard colours: %d light, %d dark pixels" % (light, dark))
                return shot

            shot = harness.eventually(checkerboard, 60)
            first = shot.pixel(0, 0)
            harness.eventually(lambda: harness.check(run.screenshot().data != shot.data,
                                                     "the checkerboard does not glide (pixel 0,0 was %s)" % (first,)))

            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            code = run.wait_exit()
            harness.check(code == 0, "exit code %r after WM_CLOSE" % code)
        with open(log) as f:
            events = f.read().split("\n")
        ended = "demo thread ended"
        shutdown = "shutdown exit code 0"
        harness.check(ended in events and shutdown in events and
                      events.index(ended) < events.index(shutdown), "events %r" % events)
    finally:
        if os.path.exists(log):
            os.remove(log)


if __name__ == "__main__":
    harness.main(test)
