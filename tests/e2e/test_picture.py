"""What reaches the screen: the demo's picture, its composition and overlay, and the CRT
pipeline on Wine's Direct3D 11, each against the native build's reference."""
import os
import re
import subprocess
import tempfile

import harness
from harness import check, eventually

WHITE = (255, 255, 255)
# Each fault: a line of the CRT shader's source and what it becomes.
FAULTS = [
    ("9-tap weight 70 -> 71", "{ 70, 0, 0, 0 }", "{ 71, 0, 0, 0 }"),
    ("bleeding rounding +8 -> +7", "iadd r6.xyz, r6.xyzx, l(8, 8, 8, 0)", "iadd r6.xyz, r6.xyzx, l(7, 7, 7, 0)"),
    ("mask column 0 keeps green", "ieq r11.xyz, r11.xxxx, l(2, 1, 0, 0)", "ieq r11.xyz, r11.xxxx, l(2, 0, 1, 0)"),
]


def box_extent(shot):
    points = [(x, y) for y in range(shot.height) for x in range(shot.width) if shot.pixel(x, y) == harness.BOX]
    return (min(p[0] for p in points), min(p[1] for p in points), max(p[0] for p in points) + 1,
            max(p[1] for p in points) + 1) if points else None


def present(args):
    """The held frame, scaled and letterboxed, equals the native composition at 320x240, 640x640 and
    1000x500, where F2 shows the overlay: a box with white text 8 pixels from the top and right edges,
    as high as its lines, reading "CRT: Off" with the eight effects off, over an untouched frame; none
    in a client area under 24 pixels high. A resize only resizes the swap chain's buffers."""
    with harness.Vrinx(args, files={"Vrinx.ini": harness.ini()}, hold=140) as run:
        run.wait_frame()
        ref, _ = run.reference(320, 240)
        colours = {ref.data[i:i + 3] for i in range(0, len(ref.data), 3)}
        check(len(colours) >= 3, "the held frame has only %d colours" % len(colours))

        def letterboxed(width, height):
            shot = run.screenshot()
            ref, (x, y, w, h) = run.reference(width, height)
            harness.expect_same(shot, ref, 1000)
            black = [(x - 1, height // 2), (x + w, height // 2)] if x else []
            black += [(width // 2, y - 1), (width // 2, y + h)] if y else []
            check(all(shot.pixel(*p) == (0, 0, 0) for p in black), "no black bars at %dx%d" % (width, height))
            return x, y, w, h

        rects = []
        for width, height in ((320, 240), (640, 640), (1000, 500)):
            if rects:
                run.resize(width, height)
            rects.append(eventually(lambda: letterboxed(width, height)))
        check(rects[1:] == [(0, 80, 640, 480), (167, 0, 666, 500)], "destinations %r" % rects)
        ref, _ = run.reference(1000, 500)

        def overlay_over_frame():
            shot = run.screenshot()
            box = box_extent(shot)
            check(box is not None, "no overlay box")
            left, top, right, bottom = box
            check((top, right) == (8, 992), "box %r: expected top 8 and right edge 992" % (box,))
            # Four status lines from y = 12 and nine list lines 2 pixels apart: the box ends at
            # 13 x (line height) + 42, and at 1000x500 the font is asked for 16 pixels.
            line, rest = divmod(bottom - 42, 13)
            check(rest == 0 and 16 <= line <= 24, "box %r: bottom is not 13 x line + 42" % (box,))
            check(500 < left < 900, "box %r: left edge out of place" % (box,))
            white = sum(1 for y in range(top, bottom) for x in range(left, right) if shot.pixel(x, y) == WHITE)
            check(white > 500, "only %d white text pixels in the box" % white)
            harness.expect_same(shot, ref, 5000, skip=lambda x, y: left - 1 <= x <= right and top - 1 <= y <= bottom)
            check(run.last("overlay line 4: ") == "CRT: Off", "overlay line 4 reads %r" % run.last("overlay line 4: "))

        run.hold("F2")
        eventually(overlay_over_frame)
        run.do("size", "400", "20")
        _, _, cw, ch = run.client_rect()
        if ch < 24:
            # Shrunk, the picture's samples depend on the stretch's rounding: check the bars.
            _, (x, y, w, h) = run.reference(cw, ch)

            def frame_only():
                shot = run.screenshot()
                check(box_extent(shot) is None, "overlay shown in a %dx%d client area" % (cw, ch))
                outside = [shot.pixel(i, j) for j in range(ch) for i in range(cw)
                           if not (x <= i < x + w and y <= j < y + h)]
                check(outside and all(p == (0, 0, 0) for p in outside), "not black beside the picture")

            eventually(frame_only)
        else:
            print("note: the window manager keeps the client area at %dx%d" % (cw, ch))
        run.close()
        created = [e for e in run.events() if e.startswith("presenter: device created")]
        check(created == ["presenter: device created 320x240 tearing=%s" % created[0][-1]], "creations %r" % created)
        stats = [e for e in run.events() if e.startswith("presenter: presents=")]
        check(len(stats) == 1, "no presenter statistics in %r" % run.events())
        presents, resizes, recreates = (int(v) for v in re.findall(r"\d+", stats[0]))
        shrunk = (cw, ch) != (1000, 500)
        check(recreates == 0 and resizes == 2 + shrunk and presents > 100, "statistics %s" % stats[0])


def overlay_box(shot):
    """The opaque overlay box: from y = 8 to the right edge less 8; its left end in its
    first row, its bottom where its right margin ends."""
    right, top = shot.width - 8, 8
    row = [x for x in range(right) if shot.pixel(x, top) == harness.BOX]
    check(row, "no overlay box")
    bottom = top
    while bottom < shot.height and shot.pixel(right - 1, bottom) == harness.BOX:
        bottom += 1
    return min(row), top, right, bottom


def crt_screen(args):
    """The held frame through the GPU pipeline equals the CPU reference pixel for pixel outside the
    overlay ("CRT: GPU shaders"), also after the device is lost once (its 5th Present fails) and
    the CRT pass creates it again; Space held down (auto-repeats ignored) shows the plain
    composition, and again the CRT picture."""
    with harness.Vrinx(args, env={"VRINX_TEST_LOSE_DEVICE": "5"}, hold=140, overlay=True) as run:
        run.wait_frame()
        run.resize(640, 480)
        plain, _ = run.reference(640, 480)
        ref, rect = run.reference(640, 480, crt=True)
        check(rect == (0, 0, 640, 480), "destination %r" % (rect,))
        # The CRT picture differs from the plain one: the check is not the plain path.
        check(plain.data != ref.data, "the CRT reference equals the plain composition")

        def shown(crt):
            shot = run.screenshot()
            left, top, right, bottom = overlay_box(shot)
            outside = lambda x, y: not (left - 1 <= x <= right and top - 1 <= y <= bottom)
            if crt:
                points = [(x, y) for y in range(480) for x in range(640) if outside(x, y)]
                bad = [(p, shot.pixel(*p), ref.pixel(*p)) for p in points if shot.pixel(*p) != ref.pixel(*p)]
                check(len(points) > 640 * 480 // 2, "only %d pixels outside the overlay" % len(points))
                check(not bad, "%d of %d pixels differ from the CPU reference, first %s (box %r)"
                      % (len(bad), len(points), bad[:3], (left, top, right, bottom)))
                line4 = run.last("overlay line 4: ")
                check(line4 == "CRT: GPU shaders", "overlay line 4 reads %r" % line4)
            else:
                harness.expect_same(shot, plain, 500, skip=lambda x, y: not outside(x, y))

        for crt, repeats in ((True, 0), (False, 3), (True, 2)):
            if repeats:
                run.hold("Space", repeats)
            eventually(lambda: shown(crt))
        run.close()
        events = run.events()
        check(any(e.startswith("presenter: present failed") for e in events), "the device was not lost")
        check(any(e.endswith("recreates=1") for e in events), "no single re-creation: %r" % events[-1:])


def crt_map(args):
    """The CRT sample maps and tables of the Windows build are the native build's bytes."""
    with tempfile.TemporaryDirectory(prefix="vrinx-crt-map-") as folder:
        native, windows = os.path.join(folder, "native.bin"), os.path.join(folder, "windows.bin")
        subprocess.run([os.environ["VRINX_NATIVE_CRT_MAP_DUMP"], native], check=True, timeout=120)
        subprocess.run(["wine", os.environ["VRINX_CRT_MAP_DUMP"], harness.wine_path(windows)], check=True, timeout=240)
        a, b = harness.read(native), harness.read(windows)
    check(len(a) == len(b), "native %d bytes, Windows %d bytes" % (len(a), len(b)))
    words = [i for i in range(0, len(a), 4) if a[i:i + 4] != b[i:i + 4]]
    check(not words, "%d of %d words differ, first at byte %s" % (len(words), len(a) // 4, words[:1]))


def crt_gpu(args, renderer="opengl"):
    """The CRT pipeline on Direct3D 11 equals the CPU reference bit for bit, and the same check
    fails with shaders that each carry one fault; on wined3d's OpenGL or Vulkan renderer, whose
    shader translators differ (the Vulkan one through SPIR-V)."""
    env = dict(os.environ, WINE_D3D_CONFIG="renderer=" + renderer, WINEDEBUG="err+winediag")

    def run_check(shader=None):
        result = subprocess.run(["wine", os.environ["VRINX_CRT_GPU_CHECK"]] + (
            ["--shader", harness.wine_path(shader)] if shader else []), capture_output=True, timeout=400,
            env=env)
        used = re.findall(r"Using the (\w+) renderer", result.stderr.decode("latin-1"))
        check(renderer != "vulkan" or used == ["Vulkan"], "wined3d's renderers used: %r" % used)
        return result.returncode, result.stdout.decode("latin-1").replace("\r", "")

    code, out = run_check()
    print(out)
    check(code == 0, "the GPU results differ from the CPU reference (exit code %d)" % code)
    source = harness.read(os.environ["VRINX_CRT_SHADER_SOURCE"]).decode()
    with tempfile.TemporaryDirectory(prefix="vrinx-crt-fault-") as folder:
        asm, blob = os.path.join(folder, "fault.asm"), os.path.join(folder, "fault.dxbc")
        for name, before, after in FAULTS:
            check(source.count(before) == 1, "fault %r: the line %r is not in the shader once" % (name, before))
            with open(asm, "w") as f:
                f.write(source.replace(before, after))
            subprocess.run([os.environ["VRINX_DXBC_ASM"], asm, "kFault", os.path.join(folder, "fault.h"), blob],
                           check=True)
            code, out = run_check(blob)
            failed = [line for line in out.split("\n") if line.startswith("FAIL ")]
            check(code == 1 and failed, "the fault %r went unnoticed (exit code %d):\n%s" % (name, code, out))
            print("fault %r caught: %s" % (name, failed[0]))


if __name__ == "__main__":
    harness.main({"present": present, "crt_screen": crt_screen, "crt_map": crt_map,
                  "crt_gpu": crt_gpu,
                  "crt_gpu_vulkan": lambda args: crt_gpu(args, "vulkan")})
