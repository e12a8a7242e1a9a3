"""The setup dialog shown when the program starts without switches: its caption and
controls, the display's modes (read independently with xrandr) once each in the
resolution, depth and rate lists, the full-screen controls following "Fullscreen",
"Info", "Exit" and the close box (exit code 0, nothing started), "Run demo" starting the
demo windowed with the dialog's values, and "Run demo" without Direct3D 11 keeping the
dialog open after the presenter's message."""
import os
import re
import subprocess

import harness
import present_checks as pc

TITLE = "Varrowby 97 invitation / kOHR (1997)"
D3D_TEXT = ("A hardware GPU supporting Direct3D 11 (feature level 11.0) is required. GPU initialization "
            "or rendering failed. Update your graphics driver and try again.")

TEXTS = {
    1: "Run demo", 1006: "Exit", 1004: "Info", 1011: "Web", 1010: "Fullscreen", 1009: "Music",
    1008: "Loop demo", 1022: "Aspect ratio 4:3", 1013: "Fullscreen setup", 1003: "Stretch to fit",
    1007: ("This demo renders internally at VGA resolutions. Higher output resolutions provide "
           "additional detail for the CRT effects."),
    1020: "Scanlines", 1021: "CRT distortion", 1023: "Phosphor glow", 1024: "RGB phosphor mask",
    1025: "Phosphor persistence", 1026: "Chromatic separation", 1027: "Color bleeding",
    1028: "Brightness-dependent bloom", 1029: "VSync (VRR fallback)", 1030: "VRR (G-SYNC / FreeSync)",
}
VRR_TEXTS = {
    0: "VRR unavailable on this display or Windows/driver. VSync remains available.",
    1: "Monitor supports VRR. Enable it in the monitor and driver settings.",
    2: "Monitor VRR support could not be verified.",
}
# Checked on opening with no configuration file: every switch but "Loop demo".
CHECKED = {1010: 1, 1009: 1, 1008: 0, 1022: 1, 1003: 1, 1020: 1, 1021: 1, 1023: 1, 1024: 1, 1025: 0,
           1026: 1, 1027: 1, 1028: 1, 1029: 1}
FULLSCREEN_CONTROLS = (1002, 1014, 1015, 1003, 1007, 1013)

INFO = "\n".join([
    TITLE, "", "code & design: the Vrinx contributors", "gfx: the Vrinx contributors",
    "music: the Vrinx contributors", "", "win32 port: the Vrinx contributors", "",
    "Right-click the demo for display, sound and playback options.",
    "F2: show/hide FPS, frame time and CRT information.",
    "/saveconfig: create a default INI file if missing.",
    "/nogui: run immediately without the setup dialog.",
    "/record FPS WIDTH HEIGHT: record AVI (e.g. /record 70 640 480)."])


def xrandr_modes():
    """[(width, height, Hz)] of the display, current mode first, as X reports them."""
    out = subprocess.run(["xrandr", "--query"], capture_output=True, check=True, timeout=60).stdout.decode()
    modes, current = [], None
    for line in out.split("\n"):
        m = re.match(r"\s+(\d+)x(\d+)\S*\s+(.*)$", line)
        if not m:
            continue
        for rate in re.findall(r"([\d.]+)([*+ ]*)", m.group(3)):
            mode = (int(m.group(1)), int(m.group(2)), round(float(rate[0])))
            modes.append(mode)
            if "*" in rate[1]:
                current = mode
    harness.check(current is not None, "xrandr shows no current mode:\n%s" % out)
    return [current] + [m for m in modes if m != current]


def checked_lines(run, ident):
    c = run.dialog()[1][ident]
    harness.check(len(c.lines) == len(set(c.lines)), "list %d repeats a line: %r" % (ident, c.lines))
    return c


def check_dialog(run, events):
    caption, controls = run.dialog()
    harness.check(caption == TITLE, "caption %r" % caption)
    for ident, text in TEXTS.items():
        harness.check(ident in controls, "no control %d" % ident)
        harness.check(controls[ident].text == text, "control %d says %r" % (ident, controls[ident].text))
    for ident, on in CHECKED.items():
        harness.check(controls[ident].checked == on, "check box %d is %d" % (ident, controls[ident].checked))
    harness.check(controls[1004].enabled and not controls[1011].enabled, "Info/Web enabled: %s/%s"
                  % (controls[1004].enabled, controls[1011].enabled))
    probes = [int(e.split(": ")[1]) for e in events() if e.startswith("vrr probe: ")]
    harness.check(probes, "no VRR probe in %r" % events())
    answer = probes[-1]
    harness.check(controls[1031].text == VRR_TEXTS[answer], "text 1031 %r for answer %d"
                  % (controls[1031].text, answer))
    harness.check(controls[1030].enabled == (answer != 0) and controls[1030].checked == (answer != 0),
                  "VRR box enabled %s checked %d for answer %d"
                  % (controls[1030].enabled, controls[1030].checked, answer))
    for ident in FULLSCREEN_CONTROLS:
        harness.check(controls[ident].enabled, "control %d disabled with Fullscreen on" % ident)


def check_modes(run):
    modes = xrandr_modes()
    wanted = []
    for w, h, _ in modes:
        if (w >= 320 and h >= 200 or (w, h) == modes[0][:2]) and "%dx%d" % (w, h) not in wanted:
            wanted.append("%dx%d" % (w, h))
    sizes = checked_lines(run, 1002)
    harness.check(sorted(sizes.lines) == sorted(wanted) and sizes.lines[0] == wanted[0],
                  "resolutions %r, xrandr %r" % (sizes.lines, wanted))
    harness.check(sizes.selected() == wanted[0], "selected resolution %r" % sizes.selected())
    depths = checked_lines(run, 1014)
    harness.check(depths.lines and all(re.fullmatch(r"(\d+) bit", d) and int(d.split()[0]) >= 16
                                       for d in depths.lines), "depths %r" % depths.lines)
    harness.check(depths.checked == 0, "the current depth isn't selected: %r" % depths.selected())
    rates = checked_lines(run, 1015)
    harness.check(rates.lines and all(re.fullmatch(r"\d+ Hz", r) for r in rates.lines) and rates.checked == 0,
                  "rates %r, selected %d" % (rates.lines, rates.checked))
    # Each size of xrandr lists its depths, and the rates X has for it.
    for line in sizes.lines:
        run.select(1002, line)
        harness.eventually(lambda: harness.check(run.dialog()[1][1002].selected() == line, "%s not chosen" % line))
        harness.check(checked_lines(run, 1014).lines, "no depth for %s" % line)
        w, h = (int(v) for v in line.split("x"))
        x_rates = {r for mw, mh, r in modes if (mw, mh) == (w, h)}
        shown = {int(r.split()[0]) for r in checked_lines(run, 1015).lines}
        harness.check(shown <= x_rates | {0, 60}, "rates %r for %s, xrandr %r" % (shown, line, x_rates))


def test_dialog_and_exit(args):
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, env=scratch.env, setup=False) as run:
            run.wait_dialog()
            check_dialog(run, scratch.events)
            check_modes(run)
            run.set_check(1010, False)
            controls = run.dialog()[1]
            for ident in FULLSCREEN_CONTROLS:
                harness.check(not controls[ident].enabled, "control %d enabled with Fullscreen off" % ident)
            for ident in (1009, 1020, 1029, 1):
                harness.check(controls[ident].enabled, "control %d disabled with Fullscreen off" % ident)
            run.set_check(1010, True)
            harness.check(all(run.dialog()[1][i].enabled for i in FULLSCREEN_CONTROLS),
                          "full-screen controls stay disabled")
            run.click(1004)
            code, text = run.message(TITLE)
            harness.check(code == 0 and text.strip() == INFO, "information box %r" % text)
            run.click(1006)
            harness.check(run.wait_exit() == 0, "exit code after \"Exit\"")
        check_nothing_started(scratch, 2)
    finally:
        scratch.remove()


def check_nothing_started(scratch, result):
    events = scratch.events()
    harness.check(events[-1] == "setup: dialog ended %d" % result, "events %r" % events)
    harness.check(not any(e.startswith(("audio output", "presenter", "shutdown")) for e in events),
                  "the demo was started: %r" % events)


def test_close_box(args):
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, env=scratch.env, setup=False) as run:
            run.wait_dialog()
            harness.check(run.winctl("dialogclose")[0] == 0, "the close box could not be pressed")
            harness.check(run.wait_exit() == 0, "exit code after the close box")
            harness.check(run.winctl("wait", "0")[0] != 0, "a demo window exists")
        check_nothing_started(scratch, 2)
    finally:
        scratch.remove()


CRT_SWITCHES = (1020, 1021, 1023, 1024, 1025, 1026, 1027, 1028)


def test_run_demo_windowed(args):
    """"Music", "Aspect ratio 4:3" and the CRT effects off: the silent clock, a 320x200
    client area and the plain picture (the defaults show it through the CRT pass)."""
    scratch = pc.Scratch()
    try:
        with harness.Vrinx(args, env=scratch.env, setup=False) as run:
            off = {ident: False for ident in (1009, 1022) + CRT_SWITCHES}
            run.run_demo(off)
            run.wait_window()
            harness.check(run.client_rect()[2:] == (320, 200), "client area %r" % (run.client_rect(),))
            scratch.wait_frame()
            ref, _ = pc.reference(scratch.frame, 320, 200, aspect=0)

            def plain_picture():
                compared, bad = pc.compare(run.screenshot(), ref)
                harness.check(compared > 1000 and not bad, "%d of %d points differ from the plain picture, first %s"
                              % (len(bad), compared, bad[:3]))

            harness.eventually(plain_picture)
            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code after WM_CLOSE")
        events = scratch.events()
        harness.check("audio output: silent" in events, "events %r" % events)
        harness.check(any(e.startswith("setup: run demo ") and e.endswith("fullscreen 0, music 0") for e in events),
                      "events %r" % events)
    finally:
        scratch.remove()


def test_no_direct3d(args):
    scratch = pc.Scratch()
    overrides = os.environ.get("WINEDLLOVERRIDES", "")
    env = dict(scratch.env, WINEDLLOVERRIDES=(overrides + ";" if overrides else "") + "d3d11=")
    try:
        with harness.Vrinx(args, env=env, setup=False) as run:
            run.run_demo()
            code, text = run.message("Direct3D 11 required")
            harness.check(code == 0 and text.strip() == D3D_TEXT, "Direct3D message %r" % text)
            caption, _ = run.dialog()
            harness.check(caption == TITLE, "the dialog closed after the Direct3D message")
            harness.check(run.winctl("wait", "0")[0] != 0, "a demo window exists")
            run.click(1006)
            harness.check(run.wait_exit() == 0, "exit code after \"Exit\"")
        check_nothing_started(scratch, 2)
    finally:
        scratch.remove()


def test(args):
    test_dialog_and_exit(args)
    test_close_box(args)
    test_run_demo_windowed(args)
    test_no_direct3d(args)


if __name__ == "__main__":
    harness.main(test)
