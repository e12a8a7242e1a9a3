"""A malformed /record ends with the usage box and exit code 2 before anything else starts
(no window, no file); the full table of command lines is a unit test of the parser."""
import os

import harness
import record_checks

CASES = (
    ["/record", "70", "640"],
    ["/record", "70", "+640", "480"],
    ["/nogui", "/record", "70", "64", "48", "/RECORD", "70", "64", "48"],
)


def test(args):
    for case in CASES:
        with harness.Vrinx(args, case) as run:
            code, text = run.message(record_checks.TITLE, 60)
            harness.check(code == 0, "%s: no usage box" % " ".join(case))
            harness.check(text == record_checks.USAGE, "%s: usage text %r" % (" ".join(case), text))
            exit_code = run.wait_exit()
            harness.check(exit_code == 2, "%s: exit code %r" % (" ".join(case), exit_code))
            harness.check(os.listdir(run.folder) == ["Vrinx.exe"],
                          "%s: files written: %s" % (" ".join(case), os.listdir(run.folder)))


if __name__ == "__main__":
    harness.main(test)
