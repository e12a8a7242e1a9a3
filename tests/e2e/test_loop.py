"""With "Loop demo" ticked in the setup dialog the show plays to the end of its tune (about
2.5 minutes), the DOS prompt follows, the program's name is typed one character at a time,
and a second run starts from the very first frame: its first frames (pixels and palette, as
the test log hashes them) equal the first run's. The slowest end-to-end test."""
import harness
from testlog import TestLog

LOOP_DEMO = 1008


def test(args):
    log = TestLog("loop")
    try:
        with harness.Vrinx(args, env=log.env, setup=False) as run:
            run.run_demo({LOOP_DEMO: True})
            run.wait_window()

            def second_run_started():
                lines = log.lines()
                harness.check("run 1 frame 7: " in "\n".join(lines), "no second run yet")
                return lines

            lines = harness.eventually(second_run_started, 400, interval=2)
            harness.check(run.process.poll() is None, "the program ended instead of looping")
            first_typed = next(i for i, line in enumerate(lines) if line.startswith("typed "))
            order = [lines.index("demo thread ended"), lines.index("interlude started"), first_typed,
                     lines.index("typed 7"), lines.index("run 1 started")]
            harness.check(order == sorted(order), "events out of order: %r" % order)
            typed = [int(line.split()[1]) for line in lines if line.startswith("typed ")]
            harness.check(typed == sorted(typed) and typed[-1] == 7 and len(set(typed)) == len(typed),
                          "typed counts %r" % typed)
            first = [log.last("run 0 frame %d: " % i) for i in range(8)]
            second = [log.last("run 1 frame %d: " % i) for i in range(8)]
            harness.check(None not in first and first == second, "first frames differ: %r vs %r" % (first, second))
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        log.remove()


if __name__ == "__main__":
    harness.main(test)
