"""Runs Vrinx.exe under Wine for the end-to-end tests, on the case's own display and prefix
(scripts/wine_session.sh), against the native tools named in the environment (CMakeLists.txt).
The prefix's system folders are hard links shared with the other cases: a file placed there
must be a new one (or removed first), never written over.

A run copies the program into a scratch folder, keeps its test log, the stand-in libraries'
call log and the held frame in a second one, drives it with winctl.exe and ends everything it
started by PID. Without /nogui or /record the program shows its setup dialog first; the run
then unticks "Fullscreen" (and the check boxes `setup` gives as {id: on}) and presses "Run
demo", unless setup=False leaves the dialog, once shown, to the test.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

# Generous limits for a loaded machine: start-up renders the whole tune before the window
# exists, and a close waits for the demo thread's next hook.
STARTUP_SECONDS = 120
EXIT_SECONDS = 60

TITLE = "Varrowby 97 invitation / kOHR (1997)"
D3D_TITLE = "Direct3D 11 required"
D3D_TEXT = ("A hardware GPU supporting Direct3D 11 (feature level 11.0) is required. GPU initialization "
            "or rendering failed. Update your graphics driver and try again.")
RUN_DEMO, EXIT, FULLSCREEN, LOOP_DEMO = 1, 1006, 1010, 1008
VK = {"S": 0x53, "D": 0x44, "A": 0x41, "F": 0x46, "F2": 0x71, "P": 0x50, "T": 0x54, "M": 0x4D, "L": 0x4C,
      "V": 0x56, "Space": 0x20, "minus": 0xBD, "pad plus": 0x6B, "plus": 0xBB, "Pause": 0x13, "Escape": 0x1B}
BOX = (16, 16, 16)  # the overlay's background
FILTERS = ("Scanlines", "Distortion", "Glow", "RGBMask", "Persistence", "ChromaticSeparation", "ColorBleeding",
           "Bloom")


def ini(*lines):
    """A configuration with the eight CRT effect switches off (the plain composition) after `lines`."""
    return ("\r\n".join(["[CRT]", *lines] + ["%s=0" % f for f in FILTERS]) + "\r\n").encode()


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def eventually(attempt, seconds=30, interval=0.25):
    """Calls attempt() until it returns without an AssertionError and gives its result;
    after `seconds` the last failure stands. For checks of a state the program settles in."""
    deadline = time.time() + seconds
    while True:
        try:
            return attempt()
        except AssertionError:
            if time.time() >= deadline:
                raise
        time.sleep(interval)


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check_order(events, *lines):
    """Each line is in the events, in this order."""
    at = [events.index(e) if e in events else -1 for e in lines]
    check(-1 not in at and at == sorted(at), "events %r" % events)


class Image:
    """An RGB picture: pixel(x, y) -> (r, g, b)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, colour):
        return sum(1 for i in range(0, len(self.data), 3) if self.data[i:i + 3] == bytes(colour))


def pixels(bgra, order=(2, 1, 0)):
    """Three of the four bytes of each pixel, in `order` (red, green, blue by default)."""
    out = bytearray(len(bgra) // 4 * 3)
    for i, channel in enumerate(order):
        out[i::3] = bgra[channel::4]
    return bytes(out)


def composed(tool, frame, width, height, *options):
    """A native tool's composition of a dumped frame: (BGRA bytes, the numbers it printed)."""
    with tempfile.TemporaryDirectory(prefix="vrinx-ref-") as folder:
        out = os.path.join(folder, "out.raw")
        printed = subprocess.run([os.environ[tool], frame, str(width), str(height), *map(str, options), out],
                                 capture_output=True, check=True, timeout=120).stdout
        return read(out), tuple(int(v) for v in printed.split())


def compare(shot, ref, step=5, skip=None):
    """Compares the screenshot with the reference at grid points whose 3x3 neighbourhood
    is uniform in the reference (so the stretch's rounding of block edges doesn't matter).
    skip(x, y) leaves out points (the overlay box). Returns (points compared, mismatches)."""
    check((shot.width, shot.height) == (ref.width, ref.height),
          "screenshot %dx%d, reference %dx%d" % (shot.width, shot.height, ref.width, ref.height))
    compared, bad = 0, []
    for y in range(1, ref.height - 1, step):
        for x in range(1, ref.width - 1, step):
            c = ref.pixel(x, y)
            if skip and skip(x, y) or any(ref.pixel(x + dx, y + dy) != c for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                continue
            compared += 1
            if shot.pixel(x, y) != c:
                bad.append((x, y, shot.pixel(x, y), c))
    return compared, bad


def expect_same(shot, ref, least, skip=None):
    compared, bad = compare(shot, ref, skip=skip)
    check(compared > least and not bad, "%d of %d points differ from the reference at %dx%d, first %s"
          % (len(bad), compared, ref.width, ref.height, bad[:3]))


class Control:
    """A control of the setup dialog as winctl reports it; for a drop-down list `checked`
    is the selected line and `lines` its lines."""

    def __init__(self, line):
        ident, self.cls, enabled, checked, self.text = line.split("\t", 4)
        self.id, self.enabled, self.checked = int(ident), enabled == "1", int(checked)
        self.lines = self.text.split("|") if self.text else []

    def selected(self):
        return self.lines[self.checked] if 0 <= self.checked < len(self.lines) else None


class Vrinx:
    """One run of the program, as a context manager. folder: an existing folder to run in (kept);
    cwd: the folder it is started from (else its own); hold: the demo frame the program keeps
    showing and dumps to `frame`; overlay: shown from the start; window=False: a message comes
    before the window; preexec_fn: runs before Wine."""

    def __init__(self, args, program_args=(), env=None, files=None, setup=True, folder=None, hold=None,
                 overlay=False, window=True, preexec_fn=None, cwd=None):
        self.args = args
        switches = [a.lower() for a in program_args]
        self.setup = setup if "/nogui" not in switches and "/record" not in switches else None
        self.show_window = window and setup is not False and "/record" not in switches
        self.keep = folder is not None
        self.folder = folder or tempfile.mkdtemp(prefix="vrinx-e2e-")
        self.scratch = tempfile.mkdtemp(prefix="vrinx-log-")
        self.log, self.calls, self.frame = (os.path.join(self.scratch, n) for n in ("test.log", "calls.log", "frame"))
        self.exe = os.path.join(self.folder, "Vrinx.exe")
        shutil.copy(args.exe, self.exe)
        for name, content in (files or {}).items():
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(content)
        environment = dict(os.environ, VRINX_TEST_LOG=wine_path(self.log), VRINX_STAND_IN_LOG=wine_path(self.calls))
        if hold:
            environment.update(VRINX_TEST_FRAME=wine_path(self.frame), VRINX_TEST_FRAME_AT=str(hold))
        if overlay:
            environment["VRINX_TEST_OVERLAY"] = "1"
        environment.update(env or {})
        self.process = subprocess.Popen(["wine", self.exe, *program_args], cwd=cwd or self.folder, env=environment,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True, preexec_fn=preexec_fn)

    def __enter__(self):
        try:
            if self.setup is False:
                self.wait_dialog()
            elif self.setup:
                self.run_demo(self.setup if isinstance(self.setup, dict) else {})
            if self.show_window:
                self.wait_window()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            os.killpg(self.process.pid, 9)
            self.process.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)
        if not self.keep:
            shutil.rmtree(self.folder, ignore_errors=True)

    def winctl(self, *words, timeout=60):
        result = subprocess.run(["wine", self.args.winctl, *words], capture_output=True, timeout=timeout)
        return result.returncode, result.stdout.decode("latin-1").replace("\r", "")

    def do(self, *words):
        """A winctl command that must succeed; its output."""
        code, out = self.winctl(*words)
        check(code == 0, "winctl %s failed" % " ".join(words))
        return out

    def key(self, name):
        self.do("key", str(VK[name]))

    def hold(self, name, repeats=3):
        """The key held down: one press, `repeats` auto-repeats, the release."""
        self.do("hold", str(VK[name]), str(repeats))

    def wait_window(self, seconds=STARTUP_SECONDS):
        check(self.winctl("wait", str(seconds), timeout=seconds + 30)[0] == 0, "the demo window did not appear")

    def has_window(self):
        return self.winctl("wait", "0")[0] == 0

    def wait_dialog(self, seconds=STARTUP_SECONDS):
        check(self.winctl("dialog", str(seconds), timeout=seconds + 30)[0] == 0, "the setup dialog did not appear")

    def dialog(self):
        """(caption, {id: Control}) of the setup dialog."""
        lines = self.do("controls").rstrip("\n").split("\n")
        return lines[0], {c.id: c for c in map(Control, lines[1:]) if c.id > 0}

    def set_check(self, ident, on):
        """Clicks check box `ident` when it isn't in the wanted state and waits until it is."""
        if bool(self.dialog()[1][ident].checked) != on:
            self.do("click", str(ident))
        eventually(lambda: check(bool(self.dialog()[1][ident].checked) == on,
                                 "check box %d stays %s" % (ident, "off" if on else "on")))

    def run_demo(self, checks):
        """Waits for the setup dialog, sets "Fullscreen" off and the given check boxes, presses "Run demo"."""
        self.wait_dialog()
        for ident, on in {FULLSCREEN: False, **checks}.items():
            self.set_check(ident, on)
        self.do("click", str(RUN_DEMO))

    def message(self, title, seconds=STARTUP_SECONDS):
        """The text of the message box captioned `title` once it is answered with OK; None if none came."""
        code, out = self.winctl("message", title, str(seconds), timeout=seconds + 30)
        return out if code == 0 else None

    def expect_message(self, title, text, what=""):
        got = self.message(title)
        check(got == text + "\n", "%s: message box %r says %r" % (what, title, got))

    def expect_exit(self, code, what="", timeout=EXIT_SECONDS):
        try:
            got = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            got = "none: still running after %d s" % timeout
        check(got == code, "%s: exit code %r, expected %d" % (what, got, code))

    def close(self, what="WM_CLOSE"):
        self.do("close")
        self.expect_exit(0, what)

    def client_rect(self):
        return tuple(int(v) for v in self.do("rect").split())

    def resize(self, width, height):
        self.do("size", str(width), str(height))
        eventually(lambda: check(self.client_rect()[2:] == (width, height),
                                 "client area %r, asked %dx%d" % (self.client_rect(), width, height)))

    def window(self):
        """((left, top, width, height), style, topmost) of the demo window."""
        left, top, width, height, style, _, topmost = self.do("window").split()
        return (int(left), int(top), int(width), int(height)), int(style, 16), topmost == "1"

    def screen(self):
        return tuple(int(v) for v in self.do("screen").split())

    def screenshot(self):
        """The window's client area as an Image."""
        x, y, w, h = self.client_rect()
        blob = subprocess.run(["import", "-silent", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                               "+repage", "-depth", "8", "ppm:-"], capture_output=True, check=True, timeout=60).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", blob)
        return Image(int(header[1]), int(header[2]), blob[header.end():])

    def file(self, name):
        return os.path.join(self.folder, name)

    def files(self):
        return sorted(os.listdir(self.folder))

    def events(self, path=None):
        """The lines of the test log (or of the file at `path`)."""
        try:
            with open(path or self.log) as f:
                return [line for line in f.read().split("\n") if line]
        except FileNotFoundError:
            return []

    def last(self, prefix):
        """The last test log line starting with prefix, without it; None if there is none."""
        found = [line[len(prefix):] for line in self.events() if line.startswith(prefix)]
        return found[-1] if found else None

    def menu(self):
        """(checked ids, grayed ids, volume) of the last menu refresh."""
        line = self.last("menu checked:")
        if line is None:
            return None
        checked, rest = line.split(" grayed:")
        grayed, volume = rest.split(" volume ")
        return {int(v) for v in checked.split()}, {int(v) for v in grayed.split()}, int(volume)

    def wait_frame(self, seconds=STARTUP_SECONDS):
        eventually(lambda: check(os.path.exists(self.frame) and os.path.getsize(self.frame) == 1064 + 64000,
                                 "the held frame was never written"), seconds, 0.2)

    def reference(self, width, height, aspect=1, crt=False):
        """The native composition of the held frame, plain or through the CRT reference: (Image, rectangle)."""
        tool, options = ("VRINX_CRT_COMPOSE_REFERENCE", ()) if crt else ("VRINX_COMPOSE_REFERENCE", (0, 1, aspect))
        bgra, rect = composed(tool, self.frame, width, height, *options)
        return Image(width, height, pixels(bgra)), rect


def main(cases):
    """Runs the case that --case names: cases[name](args)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--winctl", required=True)
    parser.add_argument("--case", required=True, choices=sorted(cases))
    args = parser.parse_args()
    started = time.time()
    try:
        cases[args.case](args)
    except AssertionError as error:
        print("FAIL: %s" % error)
        sys.exit(1)
    print("ok (%.1f s)" % (time.time() - started))
