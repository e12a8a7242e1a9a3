"""The composed frame reaches the window through the Direct3D 11 swap chain: the held demo
frame, scaled and letterboxed, matches the portable composition of the same frame pixel for
pixel at 320x240 and after resizing to 1000x500 (black bars left and right) and 640x640 (bars
above and below); the resizes only resize the swap chain's buffers (one device, no re-creation)."""
import re

import harness
import present_checks as pc

SIZES = [(1000, 500), (640, 640)]


def check_frame(run, scratch, width, height):
    shot = run.screenshot()
    ref, (x, y, w, h) = pc.reference(scratch.frame, width, height)
    compared, bad = pc.compare(shot, ref)
    harness.check(compared > 1000, "only %d comparable points at %dx%d" % (compared, width, height))
    harness.check(not bad, "%d of %d points differ at %dx%d, first %s" % (len(bad), compared, width, height, bad[:3]))
    # The bars are black and the picture is not.
    if x > 0:
        harness.check(shot.pixel(x - 1, height // 2) == (0, 0, 0) and shot.pixel(x + w, height // 2) == (0, 0, 0),
                      "no black bars beside the picture at %dx%d" % (width, height))
    if y > 0:
        harness.check(shot.pixel(width // 2, y - 1) == (0, 0, 0) and shot.pixel(width // 2, y + h) == (0, 0, 0),
                      "no black bars above and below the picture at %dx%d" % (width, height))
    return (x, y, w, h)


def test(args):
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, env=scratch.env, files={"Vrinx.ini": pc.PLAIN_INI}) as run:
            run.wait_window()
            scratch.wait_frame()
            ref, _ = pc.reference(scratch.frame, 320, 240)
            colours = set(ref.data[i:i + 3] for i in range(0, len(ref.data), 3))
            harness.check(len(colours) >= 3, "the held frame has only %d colours" % len(colours))
            harness.eventually(lambda: check_frame(run, scratch, 320, 240))
            rects = []
            for width, height in SIZES:
                harness.check(run.winctl("size", str(width), str(height))[0] == 0, "resize failed")

                def resized():
                    _, _, cw, ch = run.client_rect()
                    harness.check((cw, ch) == (width, height), "client %dx%d, asked %dx%d" % (cw, ch, width, height))
                    return check_frame(run, scratch, width, height)

                rects.append(harness.eventually(resized))
            harness.check(rects == [(167, 0, 666, 500), (0, 80, 640, 480)], "destinations %r" % rects)
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            code = run.wait_exit()
            harness.check(code == 0, "exit code %r" % code)
        events = scratch.events()
        created = [e for e in events if e.startswith("presenter: device created")]
        harness.check(created == ["presenter: device created 320x240 tearing=%s" % created[0][-1]],
                      "device creations %r" % created)
        stats = [e for e in events if e.startswith("presenter: presents=")]
        harness.check(len(stats) == 1, "no presenter statistics in %r" % events)
        presents, resizes, recreates = (int(v) for v in re.findall(r"\d+", stats[0]))
        harness.check(recreates == 0 and resizes == len(SIZES) and presents > 100,
                      "statistics %s" % stats[0])
    finally:
        scratch.remove()


if __name__ == "__main__":
    harness.main(test)
