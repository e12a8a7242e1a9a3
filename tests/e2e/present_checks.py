"""Shared pieces of the presentation tests: the frame hook, the reference composition
of a dumped frame by the native compose_reference tool, and pixel comparison."""
import os
import subprocess
import tempfile
import time

import harness


# A configuration with the eight CRT effect switches off: the plain composition.
PLAIN_INI = b"[CRT]\r\n" + b"".join(b"%s=0\r\n" % k for k in (
    b"Scanlines", b"Distortion", b"Glow", b"RGBMask", b"Persistence", b"ChromaticSeparation", b"ColorBleeding",
    b"Bloom"))


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


class Scratch:
    """A folder for the test log and the dumped frame, with the environment that enables them."""

    def __init__(self, hold_at=140, overlay=False):
        self.folder = tempfile.mkdtemp(prefix="vrinx-present-")
        self.log = os.path.join(self.folder, "test.log")
        self.frame = os.path.join(self.folder, "frame.bin")
        self.env = {"VRINX_TEST_LOG": wine_path(self.log), "VRINX_TEST_FRAME": wine_path(self.frame),
                    "VRINX_TEST_FRAME_AT": str(hold_at)}
        if overlay:
            self.env["VRINX_TEST_OVERLAY"] = "1"

    def wait_frame(self, seconds=harness.STARTUP_SECONDS):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if os.path.exists(self.frame) and os.path.getsize(self.frame) == 1064 + 64000:
                return
            time.sleep(0.2)
        raise AssertionError("the held frame was never written")

    def events(self):
        with open(self.log) as f:
            return [line for line in f.read().split("\n") if line]

    def remove(self):
        for name in os.listdir(self.folder):
            os.remove(os.path.join(self.folder, name))
        os.rmdir(self.folder)


def reference(frame, width, height, fullscreen=0, stretch=1, aspect=1):
    """The composition of the dumped frame: (Image, destination rectangle)."""
    tool = os.environ["VRINX_COMPOSE_REFERENCE"]
    out = frame + ".%dx%d.raw" % (width, height)
    result = subprocess.run([tool, frame, str(width), str(height), str(fullscreen), str(stretch),
                             str(aspect), out], capture_output=True, check=True, timeout=60)
    rect = tuple(int(v) for v in result.stdout.split())
    with open(out, "rb") as f:
        bgra = f.read()
    os.remove(out)
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = bgra[2::4], bgra[1::4], bgra[0::4]
    return harness.Image(width, height, bytes(rgb)), rect


def compare(shot, ref, step=5, skip=None):
    """Compares the screenshot with the reference at grid points whose 3x3 neighbourhood
    is uniform in the reference (so the stretch's rounding of block edges doesn't matter).
    skip(x, y) leaves out points (the overlay box). Returns (points compared, mismatches)."""
    harness.check((shot.width, shot.height) == (ref.width, ref.height),
                  "screenshot %dx%d, reference %dx%d" % (shot.width, shot.height, ref.width, ref.height))
    compared, bad = 0, []
    for y in range(1, ref.height - 1, step):
        for x in range(1, ref.width - 1, step):
            if skip and skip(x, y):
                continue
            c = ref.pixel(x, y)
            if any(ref.pixel(x + dx, y + dy) != c for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                continue
            compared += 1
            if shot.pixel(x, y) != c:
                bad.append((x, y, shot.pixel(x, y), c))
    return compared, bad
