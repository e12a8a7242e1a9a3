"""Space switches the CRT filters: with the default settings the held demo frame is shown
through the CRT pass; Space held down (auto-repeats ignored) shows the plain composition of
the same frame, as the native reference composes it; Space again brings the CRT picture back."""
import harness
import present_checks as pc

WIDTH, HEIGHT = 640, 480
SPACE = 0x20


def test(args):
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, env=scratch.env) as run:
            run.wait_window()
            scratch.wait_frame()
            harness.check(run.winctl("size", str(WIDTH), str(HEIGHT))[0] == 0, "resize failed")
            harness.eventually(lambda: harness.check(run.client_rect()[2:] == (WIDTH, HEIGHT), "not resized"))
            plain, _ = pc.reference(scratch.frame, WIDTH, HEIGHT)

            def shows(is_plain):
                compared, bad = pc.compare(run.screenshot(), plain)
                harness.check(compared > 1000, "only %d points compared" % compared)
                if is_plain:
                    harness.check(not bad, "%d of %d points differ from the plain picture, first %s" %
                                  (len(bad), compared, bad[:3]))
                else:
                    harness.check(len(bad) > compared // 10, "only %d of %d points differ from the plain "
                                  "picture: no CRT pass" % (len(bad), compared))

            harness.eventually(lambda: shows(False))
            harness.check(run.winctl("hold", str(SPACE), "3")[0] == 0, "Space could not be posted")
            harness.eventually(lambda: shows(True))
            harness.check(run.winctl("hold", str(SPACE), "2")[0] == 0, "Space could not be posted")
            harness.eventually(lambda: shows(False))
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        scratch.remove()


if __name__ == "__main__":
    harness.main(test)
