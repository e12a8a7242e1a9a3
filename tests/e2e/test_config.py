"""The configuration file beside the executable: /saveconfig writes the 2,760-byte default
text into a new file; an existing file is left untouched by /saveconfig and is read (strict
integers, ranges, the contrast limit, AspectRatio4x3 = 0 giving a 320x200 client area); a
path that can't be used (beside an executable whose path exceeds 259 characters) shows the
warning and the program runs on with the defaults."""
import os
import shutil
import subprocess

import harness
import present_checks as pc

TITLE = "Varrowby 97 invitation / kOHR (1997)"
WARNING = ("Could not create the CRT configuration beside the executable. "
           "Built-in defaults will be used.")

EDITED = (b"[CRT]\r\nVSync=0\r\nGlowThreshold= 007\t\r\nBloomThreshold=-1\r\nPersistenceMs=4\r\n"
          b"MaskStrength256=129\r\nVRR=1 1\r\nAspectRatio4x3=0\r\n"
          b"ScanlineBrightnessPermille=950\r\nScanlineContrastPermille=100\r\n")


def config_events(scratch):
    return [e for e in scratch.events() if e.startswith("config: ")]


def close(run):
    harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
    code = run.wait_exit()
    harness.check(code == 0, "exit code %r" % code)


def test_saveconfig_writes_defaults(args):
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, ["/SaveConfig"], env=scratch.env) as run:
            run.wait_window()
            with open(run.file("Vrinx.ini"), "rb") as f:
                text = f.read()
            close(run)
        harness.check(len(text) == 2760, "Vrinx.ini has %d bytes" % len(text))
        harness.check(text.startswith(b"; CRT configuration. Loaded once at startup, beside the executable.\r\n")
                      and text.endswith(b"\r\nBloomStrengthPercent=60\r\n") and b"\r\n[CRT]\r\n" in text
                      and text.count(b"\n") == text.count(b"\r\n"), "Vrinx.ini text")
        harness.check(config_events(scratch) == [], "defaults read back as %r" % config_events(scratch))
    finally:
        scratch.remove()


def test_existing_file_is_kept_and_read(args):
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, ["/saveconfig"], env=scratch.env, files={"Vrinx.ini": EDITED}) as run:
            stamp = os.stat(run.file("Vrinx.ini")).st_mtime_ns
            run.wait_window()
            _, _, w, h = run.client_rect()
            with open(run.file("Vrinx.ini"), "rb") as f:
                harness.check(f.read() == EDITED, "/saveconfig changed an existing file")
            harness.check(os.stat(run.file("Vrinx.ini")).st_mtime_ns == stamp, "Vrinx.ini was rewritten")
            close(run)
        harness.check((w, h) == (320, 200), "client area %dx%d with AspectRatio4x3=0" % (w, h))
        expected = ["config: VSync=0", "config: AspectRatio4x3=0", "config: ScanlineBrightnessPermille=950",
                    "config: ScanlineContrastPermille=50", "config: GlowThreshold=7"]
        harness.check(config_events(scratch) == expected, "settings read %r" % config_events(scratch))
    finally:
        scratch.remove()


def test_unusable_path_warns(args):
    scratch = pc.Scratch()
    base = os.path.join(scratch.folder, "d" * 100, "e" * 100, "f" * 60)
    os.makedirs(base)
    exe = os.path.join(base, "Vrinx.exe")
    shutil.copy(args.exe, exe)
    harness.check(len(pc.wine_path(exe)) >= 260, "the executable's path is too short for this test")
    env = dict(os.environ, **scratch.env)
    process = subprocess.Popen(["wine", exe, "/nogui", "/saveconfig"], cwd=base, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        code, text = harness.message(args, TITLE)
        harness.check(code == 0, "no warning message box")
        text = text.strip()
        harness.check(text == WARNING, "warning text %r" % text)
        run = harness.Vrinx.__new__(harness.Vrinx)
        run.args, run.process = args, process
        run.wait_window()
        harness.check(not os.path.exists(os.path.join(base, "Vrinx.ini")), "a file was written")
        close(run)
        harness.check(config_events(scratch) == [], "settings %r" % config_events(scratch))
    finally:
        if process.poll() is None:
            os.killpg(process.pid, 9)
            process.wait()
        shutil.rmtree(scratch.folder, ignore_errors=True)


def test(args):
    test_saveconfig_writes_defaults(args)
    test_existing_file_is_kept_and_read(args)
    test_unusable_path_warns(args)


if __name__ == "__main__":
    harness.main(test)
