"""The performance overlay (switched on by the test hook until the F2 key exists): a box of
RGB 16,16,16 with white text in the top-right corner, its right edge 8 pixels from the client
edge and its top 8 pixels down, drawn over the composed frame, which is untouched elsewhere;
its height follows the line layout; a client area under 24 pixels high shows no overlay."""
import harness
import present_checks as pc

BOX = (16, 16, 16)
WHITE = (255, 255, 255)


def box_extent(shot):
    xs, ys = [], []
    for y in range(shot.height):
        for x in range(shot.width):
            if shot.pixel(x, y) == BOX:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


def test(args):
    scratch = pc.Scratch(overlay=True)
    try:
        with harness.Vrinx(args, env=scratch.env, files={"Vrinx.ini": pc.PLAIN_INI}) as run:
            run.wait_window()
            scratch.wait_frame()
            harness.check(run.winctl("size", "1000", "500")[0] == 0, "resize failed")
            ref, _ = pc.reference(scratch.frame, 1000, 500)

            def overlay_over_frame():
                shot = run.screenshot()
                box = box_extent(shot)
                harness.check(box is not None, "no overlay box")
                left, top, right, bottom = box
                harness.check((top, right) == (8, 992), "box %r: expected top 8 and right edge 992" % (box,))
                # Four status lines from y = 12 and nine list lines 2 pixels apart: the box ends at
                # 13 x (line height) + 42, and at 1000x500 the font is asked for 16 pixels.
                line, rest = divmod(bottom - 42, 13)
                harness.check(rest == 0 and 16 <= line <= 24, "box %r: bottom is not 13 x line + 42" % (box,))
                harness.check(500 < left < 900, "box %r: left edge out of place" % (box,))
                white = sum(1 for y in range(top, bottom) for x in range(left, right) if shot.pixel(x, y) == WHITE)
                harness.check(white > 500, "only %d white text pixels in the box" % white)
                inside = lambda x, y: left - 1 <= x <= right and top - 1 <= y <= bottom
                compared, bad = pc.compare(shot, ref, skip=inside)
                harness.check(compared > 5000 and not bad,
                              "%d of %d points outside the box differ, first %s" % (len(bad), compared, bad[:3]))

            harness.eventually(overlay_over_frame)

            # Too low for the overlay: only the frame.
            harness.check(run.winctl("size", "400", "20")[0] == 0, "resize failed")
            _, _, cw, ch = run.client_rect()
            if ch < 24:
                # Shrunk, the picture's samples depend on the stretch's rounding: check the bars.
                _, (x, y, w, h) = pc.reference(scratch.frame, cw, ch)

                def frame_only():
                    shot = run.screenshot()
                    harness.check(box_extent(shot) is None, "overlay shown in a %dx%d client area" % (cw, ch))
                    outside = [shot.pixel(i, j) for j in range(ch) for i in range(cw)
                               if not (x <= i < x + w and y <= j < y + h)]
                    harness.check(outside and all(p == (0, 0, 0) for p in outside),
                                  "the %dx%d client area is not black beside the picture" % (cw, ch))

                harness.eventually(frame_only)
            else:
                print("note: the window manager keeps the client area at %dx%d" % (cw, ch))
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        scratch.remove()


if __name__ == "__main__":
    harness.main(test)
