"""The CRT pass on screen. With the default settings the held demo frame is shown through
the GPU pipeline and equals, pixel for pixel, the CPU reference composition of the same
frame (outside the overlay box), and the overlay's fourth line reads "CRT: GPU shaders"; that
run loses its device once (its 5th Present fails) and the CRT pass creates it again.
With all eight effect switches off the plain picture is shown and the line reads "CRT: Off".
A shader the device refuses ends in the Direct3D message and exit code 1."""
import os
import struct
import subprocess

import harness
import present_checks as pc

WIDTH, HEIGHT = 640, 480
BOX = (16, 16, 16)
FATAL = ("A hardware GPU supporting Direct3D 11 (feature level 11.0) is required. GPU initialization "
         "or rendering failed. Update your graphics driver and try again.")


def crt_reference(frame, width, height):
    out = frame + ".crt.raw"
    result = subprocess.run([os.environ["VRINX_CRT_COMPOSE_REFERENCE"], frame, str(width), str(height), out],
                            capture_output=True, check=True, timeout=120)
    with open(out, "rb") as f:
        bgra = f.read()
    os.remove(out)
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = bgra[2::4], bgra[1::4], bgra[0::4]
    return harness.Image(width, height, bytes(rgb)), tuple(int(v) for v in result.stdout.split())


def overlay_box(shot):
    """The opaque overlay box: from y = 8 to the right edge less 8; its left end in its
    first row, its bottom where its right margin ends."""
    right, top = shot.width - 8, 8
    row = [x for x in range(right) if shot.pixel(x, top) == BOX]
    harness.check(row, "no overlay box")
    bottom = top
    while bottom < shot.height and shot.pixel(right - 1, bottom) == BOX:
        bottom += 1
    return min(row), top, right, bottom


def line4(scratch):
    lines = [e for e in scratch.events() if e.startswith("overlay line 4: ")]
    return lines[-1][len("overlay line 4: "):] if lines else None


def size_window(run):
    harness.check(run.winctl("size", str(WIDTH), str(HEIGHT))[0] == 0, "resize failed")

    def sized():
        _, _, cw, ch = run.client_rect()
        harness.check((cw, ch) == (WIDTH, HEIGHT), "client %dx%d" % (cw, ch))

    harness.eventually(sized)


def default_settings(args):
    scratch = pc.Scratch(overlay=True)
    try:
        with harness.Vrinx(args, env=dict(scratch.env, VRINX_TEST_LOSE_DEVICE="5")) as run:
            run.wait_window()
            scratch.wait_frame()
            size_window(run)
            ref, rect = crt_reference(scratch.frame, WIDTH, HEIGHT)
            harness.check(rect == (0, 0, WIDTH, HEIGHT), "destination %r" % (rect,))

            def crt_on_screen():
                shot = run.screenshot()
                left, top, right, bottom = overlay_box(shot)
                bad, compared = [], 0
                for y in range(HEIGHT):
                    for x in range(WIDTH):
                        if left - 1 <= x <= right and top - 1 <= y <= bottom:
                            continue
                        compared += 1
                        if shot.pixel(x, y) != ref.pixel(x, y):
                            bad.append((x, y, shot.pixel(x, y), ref.pixel(x, y)))
                harness.check(compared > WIDTH * HEIGHT // 2, "only %d pixels outside the overlay" % compared)
                harness.check(not bad, "%d of %d pixels differ from the CPU reference, first %s (box %r)" %
                              (len(bad), compared, bad[:3], (left, top, right, bottom)))
                harness.check(line4(scratch) == "CRT: GPU shaders", "overlay line 4 reads %r" % line4(scratch))

            harness.eventually(crt_on_screen)
            # The CRT picture differs from the plain one: the check above is not the plain path.
            plain, _ = pc.reference(scratch.frame, WIDTH, HEIGHT)
            harness.check(plain.data != ref.data, "the CRT reference equals the plain composition")
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
        events = scratch.events()
        harness.check(any(e.startswith("presenter: present failed") for e in events), "the device was not lost")
        harness.check(any(e.endswith("recreates=1") for e in events), "no single re-creation: %r" % events[-1:])
    finally:
        scratch.remove()


def all_switches_off(args):
    scratch = pc.Scratch(overlay=True)
    try:
        with harness.Vrinx(args, env=scratch.env, files={"Vrinx.ini": pc.PLAIN_INI}) as run:
            run.wait_window()
            scratch.wait_frame()
            size_window(run)
            ref, _ = pc.reference(scratch.frame, WIDTH, HEIGHT)

            def plain_on_screen():
                shot = run.screenshot()
                left, top, right, bottom = overlay_box(shot)
                inside = lambda x, y: left - 1 <= x <= right and top - 1 <= y <= bottom
                compared, bad = pc.compare(shot, ref, skip=inside)
                harness.check(compared > 500 and not bad, "%d of %d points differ, first %s" %
                              (len(bad), compared, bad[:3]))
                harness.check(line4(scratch) == "CRT: Off", "overlay line 4 reads %r" % line4(scratch))

            harness.eventually(plain_on_screen)
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        scratch.remove()


def gpu_failure(args):
    # The built shader with its program chunk's size field 4 too large: the device refuses it.
    with open(os.environ["VRINX_CRT_SHADER"], "rb") as f:
        blob = bytearray(f.read())
    shex = struct.unpack_from("<I", blob, 40)[0]
    harness.check(blob[shex:shex + 4] == b"SHEX", "no SHEX chunk where expected")
    struct.pack_into("<I", blob, shex + 4, struct.unpack_from("<I", blob, shex + 4)[0] + 4)
    scratch = pc.Scratch()
    bad = os.path.join(scratch.folder, "bad.dxbc")
    with open(bad, "wb") as f:
        f.write(blob)
    try:
        env = dict(scratch.env, VRINX_TEST_CRT_SHADER=pc.wine_path(bad))
        with harness.Vrinx(args, env=env) as run:
            code, text = run.message("Direct3D 11 required")
            harness.check(code == 0, "no \"Direct3D 11 required\" message box")
            harness.check(text.strip() == FATAL, "message text %r" % text)
            code = run.wait_exit()
            harness.check(code == 1, "exit code %r, expected 1" % code)
    finally:
        scratch.remove()


def test(args):
    default_settings(args)
    all_switches_off(args)
    gpu_failure(args)


if __name__ == "__main__":
    harness.main(test)
