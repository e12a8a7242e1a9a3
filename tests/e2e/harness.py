"""Runs Vrinx.exe under Wine for the end-to-end tests.

The display and the Wine prefix come from scripts/wine_session.sh (DISPLAY, WINEPREFIX);
each test starts the program in a scratch copy of its folder, drives it with winctl.exe,
takes screenshots of its client area and collects the exit code. Everything a test
starts is ended by PID when it finishes.

Started without /nogui or /record, the program shows its setup dialog first; a run then
starts the demo as a user would (waits for the dialog, unticks "Fullscreen", presses
"Run demo") unless the test asks for setup=False to drive the dialog itself.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--winctl", required=True)
    return parser.parse_args()


class Image:
    """An RGB picture: pixel(x, y) -> (r, g, b)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, colour):
        n = 0
        for i in range(0, len(self.data), 3):
            if tuple(self.data[i:i + 3]) == colour:
                n += 1
        return n


def read_ppm(blob):
    # P6 header: magic, width, height, maxval, each separated by white space.
    fields, pos = [], 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not blob[pos:pos + 1].isspace():
            pos += 1
        fields.append(blob[start:pos])
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    width, height = int(fields[1]), int(fields[2])
    data = blob[pos + 1:pos + 1 + width * height * 3]
    return Image(width, height, data)


# Generous limits for a loaded machine: start-up renders the whole tune before the window
# exists, and a close waits for the demo thread's next hook.
STARTUP_SECONDS = 120
EXIT_SECONDS = 60


def message(args, title, seconds=STARTUP_SECONDS):
    result = subprocess.run(["wine", args.winctl, "message", title, str(seconds)], capture_output=True,
                            timeout=seconds + 30)
    return result.returncode, result.stdout.decode("latin-1").replace("\r", "")


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


# Setup dialog controls.
RUN_DEMO, EXIT, FULLSCREEN = 1, 1006, 1010


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
    """One run of the program in a scratch folder; use as a context manager."""

    def __init__(self, args, program_args=(), env=None, files=None, setup=True, folder=None, preexec_fn=None):
        """folder: run in this existing folder (left in place) instead of a scratch one;
        preexec_fn: called in the child before Wine starts (resource limits)."""
        self.args = args
        switches = [a.lower() for a in program_args]
        self.setup = setup and "/nogui" not in switches and "/record" not in switches
        self.keep = folder is not None
        self.folder = folder or tempfile.mkdtemp(prefix="vrinx-e2e-")
        self.exe = os.path.join(self.folder, "Vrinx.exe")
        shutil.copy(args.exe, self.exe)
        for name, content in (files or {}).items():
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(content)
        environment = dict(os.environ)
        environment.update(env or {})
        self.process = subprocess.Popen(["wine", self.exe, *program_args], cwd=self.folder,
                                        env=environment, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True,
                                        preexec_fn=preexec_fn)

    def __enter__(self):
        if self.setup:
            try:
                self.run_demo()
            except BaseException:
                self.__exit__()
                raise
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            os.killpg(self.process.pid, 9)
            self.process.wait()
        if not self.keep:
            shutil.rmtree(self.folder, ignore_errors=True)

    def winctl(self, *words, timeout=60):
        result = subprocess.run(["wine", self.args.winctl, *words], capture_output=True,
                                timeout=timeout)
        return result.returncode, result.stdout.decode("latin-1").replace("\r", "")

    def wait_window(self, seconds=STARTUP_SECONDS):
        code, _ = self.winctl("wait", str(seconds), timeout=seconds + 30)
        if code != 0:
            raise AssertionError("the demo window did not appear")

    def wait_dialog(self, seconds=STARTUP_SECONDS):
        code, _ = self.winctl("dialog", str(seconds), timeout=seconds + 30)
        if code != 0:
            raise AssertionError("the setup dialog did not appear")

    def dialog(self):
        """(caption, {id: Control}) of the setup dialog."""
        code, out = self.winctl("controls")
        if code != 0:
            raise AssertionError("no setup dialog")
        lines = out.rstrip("\n").split("\n")
        controls = {}
        for line in lines[1:]:
            c = Control(line)
            if c.id > 0:
                controls[c.id] = c
        return lines[0], controls

    def click(self, ident):
        if self.winctl("click", str(ident))[0] != 0:
            raise AssertionError("control %d could not be clicked" % ident)

    def select(self, ident, text):
        if self.winctl("select", str(ident), text)[0] != 0:
            raise AssertionError("no line %r in list %d" % (text, ident))

    def set_check(self, ident, on):
        """Clicks check box `ident` when it isn't in the wanted state and waits until it is."""
        if bool(self.dialog()[1][ident].checked) != on:
            self.click(ident)
        eventually(lambda: check(bool(self.dialog()[1][ident].checked) == on,
                                 "check box %d stays %s" % (ident, "off" if on else "on")))

    def run_demo(self, checks=None):
        """Waits for the setup dialog, sets "Fullscreen" off and the given check boxes
        ({id: on}), and presses "Run demo"."""
        self.wait_dialog()
        wanted = {FULLSCREEN: False}
        wanted.update(checks or {})
        for ident, on in wanted.items():
            self.set_check(ident, on)
        self.click(RUN_DEMO)

    def message(self, title, seconds=STARTUP_SECONDS):
        """(0, text) once a message box captioned `title` has been answered with OK, else (1, "")."""
        return message(self.args, title, seconds)

    def client_rect(self):
        code, out = self.winctl("rect")
        if code != 0:
            raise AssertionError("no demo window")
        return tuple(int(v) for v in out.split())

    def screenshot(self):
        """The window's client area as an Image."""
        x, y, w, h = self.client_rect()
        blob = subprocess.run(["import", "-silent", "-window", "root", "-crop",
                               "%dx%d+%d+%d" % (w, h, x, y), "+repage", "-depth", "8", "ppm:-"],
                              capture_output=True, check=True, timeout=60).stdout
        return read_ppm(blob)

    def file(self, name):
        return os.path.join(self.folder, name)

    def wait_exit(self, timeout=EXIT_SECONDS):
        """The exit code, or None if the program is still running after `timeout` s."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def main(test):
    args = parse_args()
    started = time.time()
    try:
        test(args)
    except AssertionError as error:
        print("FAIL: %s" % error)
        sys.exit(1)
    print("ok (%.1f s)" % (time.time() - started))
