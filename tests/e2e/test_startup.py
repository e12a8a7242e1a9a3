"""Before the demo runs: the refusals that end the program with a message, the configuration
file beside the executable, the setup dialog and the VRR probe behind it."""
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time

import harness
from harness import check, eventually, TITLE, D3D_TITLE, D3D_TEXT

NO_D3D = {"WINEDLLOVERRIDES": ";".join(filter(None, [os.environ.get("WINEDLLOVERRIDES"), "d3d11="]))}
RECORD_TITLE = "Vrinx recording"
USAGE = ("Usage: Vrinx.exe /record <fps> <width> <height>\nExample: /record 70 640 480\n"
         "FPS: 1-240. Width and height: 16-8192 pixels.")
WARNING = "Could not create the CRT configuration beside the executable. Built-in defaults will be used."
EDITED = (b"[CRT]\r\nVSync=0\r\nGlowThreshold= 007\t\r\nBloomThreshold=-1\r\nPersistenceMs=4\r\n"
          b"MaskStrength256=129\r\nVRR=1 1\r\nAspectRatio4x3=0\r\n"
          b"ScanlineBrightnessPermille=950\r\nScanlineContrastPermille=100\r\n")


def damaged_programs(exe):
    """The program with its asset block damaged: (what, program)."""
    # The block's header: signature, header size 24, check byte, algorithm 5 (LZMS), then
    # 555,740 bytes unpacked in one block of that size.
    size = (555740).to_bytes(8, "little")
    start = exe.find(size + size) - 8
    check(start >= 0 and exe[start:start + 6] == b"\x0a\x51\xe5\xc0\x18\x00" and exe[start + 7] == 5,
          "the asset block's header")
    check(exe.find(size + size, start + 9) < 0, "one asset block in the program")
    for what, at, flip in (("flipped data byte", start + 28 + 5000, 0x5A), ("other uncompressed size", start + 8, 1),
                           ("wrong check byte", start + 6, 1)):
        blob = bytearray(exe)
        blob[at] ^= flip
        yield what, bytes(blob)


def fatal(args):
    """Each refusal shows its message and exit code, writing nothing: no d3d11.dll, a damaged asset
    block, a shader the device refuses, a second /record group."""
    # The built shader with its program chunk's size field 4 too large: the device refuses it.
    shader = bytearray(harness.read(os.environ["VRINX_CRT_SHADER"]))
    shex = struct.unpack_from("<I", shader, 40)[0]
    check(shader[shex:shex + 4] == b"SHEX", "no SHEX chunk where expected")
    struct.pack_into("<I", shader, shex + 4, struct.unpack_from("<I", shader, shex + 4)[0] + 4)
    damaged = "Unable to decompress embedded assets. Windows 8 or later is required."
    # (what, command line, environment, files, caption, text, exit code, how far it got (0 nothing
    #  started, 1 no Direct3D device made, 2 the device made), events it must have logged)
    cases = [("no Direct3D 11", ["/nogui"], NO_D3D, {}, D3D_TITLE, D3D_TEXT, 1, 1,
              # /nogui switched to full screen first: the mode is given back before the message.
              ["display mode restored: 0"]),
             ("refused shader", [], {"VRINX_TEST_CRT_SHADER": "bad.dxbc"}, {"bad.dxbc": shader}, D3D_TITLE, D3D_TEXT,
              1, 2, [])]
    cases += [(what, ["/nogui"], {}, {"Vrinx.exe": exe}, TITLE, damaged, 1, 0, [])
              for what, exe in damaged_programs(harness.read(args.exe))]
    line = ["/nogui", "/record", "70", "64", "48", "/RECORD", "70", "64", "48"]  # the unit table has the rest
    cases.append((" ".join(line), line, {}, {}, RECORD_TITLE, USAGE, 2, 0, []))
    for what, line, env, files, caption, text, code, reached, logged in cases:
        with harness.Vrinx(args, line, env=env, files=files, window=False) as run:
            run.expect_message(caption, text, what)
            check(reached or not run.has_window(), "%s: the demo window was created" % what)
            run.expect_exit(code, what)
            check(run.files() == sorted({"Vrinx.exe", *files}), "%s: files written: %s" % (what, run.files()))
            check(reached == 2 or not any(e.startswith("presenter: device created") for e in run.events()),
                  "%s: a device was created: %r" % (what, run.events()))
            check(set(logged) <= set(run.events()), "%s: %r not in the events %r" % (what, logged, run.events()))


def config_events(run):
    return [e for e in run.events() if e.startswith("config: ")]


def config(args):
    """/saveconfig leaves an existing file untouched, which is read; a path over 259 characters
    shows the warning and the program runs with the defaults."""
    with harness.Vrinx(args, ["/saveconfig"], files={"Vrinx.ini": EDITED}) as run:
        stamp = os.stat(run.file("Vrinx.ini")).st_mtime_ns
        check(run.client_rect()[2:] == (320, 200), "client area %r with AspectRatio4x3=0" % (run.client_rect(),))
        check(harness.read(run.file("Vrinx.ini")) == EDITED, "/saveconfig changed an existing file")
        check(os.stat(run.file("Vrinx.ini")).st_mtime_ns == stamp, "Vrinx.ini was rewritten")
        run.close()
        expected = ["config: VSync=0", "config: AspectRatio4x3=0", "config: ScanlineBrightnessPermille=950",
                    "config: ScanlineContrastPermille=50", "config: GlowThreshold=7"]
        check(config_events(run) == expected, "settings read %r" % config_events(run))

    with tempfile.TemporaryDirectory(prefix="vrinx-long-") as folder:
        base = os.path.join(folder, "d" * 100, "e" * 100, "f" * 60)
        os.makedirs(base)
        with harness.Vrinx(args, ["/nogui", "/saveconfig"], folder=base, window=False) as run:
            check(len(harness.wine_path(run.exe)) >= 260, "the executable's path is too short for this test")
            run.expect_message(TITLE, WARNING)
            run.wait_window()
            check(not os.path.exists(run.file("Vrinx.ini")), "a file was written")
            run.close()
            check(config_events(run) == [], "settings %r" % config_events(run))


def unicode_folder(args):
    """In a folder named in Cyrillic and CJK, started from another folder: /saveconfig (any case)
    writes the default text beside the program, the settings are read from there and a
    recording lands there."""
    with tempfile.TemporaryDirectory(prefix="vrinx-e2e-") as root:
        folder, start = os.path.join(root, "Дмитрий 音楽"), os.path.join(root, "start")
        os.makedirs(start)
        os.makedirs(folder)
        with harness.Vrinx(args, ["/NoGui", "/SaveConfig"], folder=folder, cwd=start) as run:
            run.close()
            text = harness.read(run.file("Vrinx.ini"))
            check(len(text) == 2760, "Vrinx.ini beside the program has %d bytes" % len(text))
            check(text.startswith(b"; CRT configuration. Loaded once at startup, beside the executable.\r\n")
                  and text.endswith(b"\r\nBloomStrengthPercent=60\r\n") and b"\r\n[CRT]\r\n" in text
                  and text.count(b"\n") == text.count(b"\r\n"), "Vrinx.ini text")
            check(config_events(run) == [], "defaults read back as %r" % config_events(run))
        os.remove(os.path.join(folder, "Vrinx.ini"))
        # Every CRT filter off: a short recording of the whole show.
        with harness.Vrinx(args, ["/record", "10", "64", "48"], files={"Vrinx.ini": harness.ini("VSync=0")},
                           folder=folder, cwd=start) as run:
            run.expect_exit(0, "the recording", 300)
            expected = ["config: %s=0" % key for key in ("VSync", "Bloom", "Scanlines", "Distortion", "Glow", "RGBMask",
                                                          "ChromaticSeparation", "ColorBleeding")]
            check(config_events(run) == expected, "settings read %r" % config_events(run))
        check(os.listdir(start) == [], "written where it was started: %s" % os.listdir(start))
        check(sorted(os.listdir(folder)) == ["Vrinx-record-10.avi", "Vrinx.exe", "Vrinx.ini"],
              "files beside the program: %s" % os.listdir(folder))
        avi = harness.read(os.path.join(folder, "Vrinx-record-10.avi"))
        check(avi[:4] == b"RIFF" and avi[8:12] == b"AVI ", "the recording is no AVI file")


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
CRT_SWITCHES = (1020, 1021, 1023, 1024, 1025, 1026, 1027, 1028)
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
        for rate in re.findall(r"([\d.]+)([*+ ]*)", m.group(3)) if m else []:
            modes.append((int(m.group(1)), int(m.group(2)), round(float(rate[0]))))
            current = modes[-1] if "*" in rate[1] else current
    check(current is not None, "xrandr shows no current mode:\n%s" % out)
    return [current] + [m for m in modes if m != current]


def checked_lines(run, ident):
    c = run.dialog()[1][ident]
    check(len(c.lines) == len(set(c.lines)), "list %d repeats a line: %r" % (ident, c.lines))
    return c


def check_vrr(run, answer, what=""):
    controls = run.dialog()[1]
    check(controls[1031].text == VRR_TEXTS[answer], "%s: text 1031 %r for %d" % (what, controls[1031].text, answer))
    check(controls[1030].enabled == (answer != 0) and controls[1030].checked == (answer != 0),
          "%s: VRR box enabled %s checked %d" % (what, controls[1030].enabled, controls[1030].checked))


def check_dialog(run):
    caption, controls = run.dialog()
    check(caption == TITLE, "caption %r" % caption)
    for ident, text in TEXTS.items():
        check(ident in controls and controls[ident].text == text, "control %d: %r" % (ident, controls.get(ident)))
    for ident, on in CHECKED.items():
        check(controls[ident].checked == on, "check box %d is %d" % (ident, controls[ident].checked))
    check(controls[1004].enabled and not controls[1011].enabled, "Info/Web enabled: %s/%s"
          % (controls[1004].enabled, controls[1011].enabled))
    probes = [int(e.split(": ")[1]) for e in run.events() if e.startswith("vrr probe: ")]
    check(probes, "no VRR probe in %r" % run.events())
    check_vrr(run, probes[-1])
    check(all(controls[i].enabled for i in FULLSCREEN_CONTROLS), "full-screen controls disabled with Fullscreen on")


def check_modes(run):
    modes = xrandr_modes()
    wanted = []
    for w, h, _ in modes:
        if (w >= 320 and h >= 200 or (w, h) == modes[0][:2]) and "%dx%d" % (w, h) not in wanted:
            wanted.append("%dx%d" % (w, h))
    sizes = checked_lines(run, 1002)
    check(sorted(sizes.lines) == sorted(wanted) and sizes.lines[0] == wanted[0] == sizes.selected(),
          "resolutions %r, selected %r, xrandr %r" % (sizes.lines, sizes.selected(), wanted))
    depths = checked_lines(run, 1014)
    check(depths.lines and all(re.fullmatch(r"(\d+) bit", d) and int(d.split()[0]) >= 16 for d in depths.lines)
          and depths.checked == 0, "depths %r, selected %r" % (depths.lines, depths.selected()))
    rates = checked_lines(run, 1015)
    check(rates.lines and all(re.fullmatch(r"\d+ Hz", r) for r in rates.lines) and rates.checked == 0,
          "rates %r, selected %d" % (rates.lines, rates.checked))
    # Each size of xrandr lists its depths, and the rates X has for it.
    for line in sizes.lines:
        run.do("select", "1002", line)
        eventually(lambda: check(run.dialog()[1][1002].selected() == line, "%s not chosen" % line))
        check(checked_lines(run, 1014).lines, "no depth for %s" % line)
        w, h = (int(v) for v in line.split("x"))
        x_rates = {r for mw, mh, r in modes if (mw, mh) == (w, h)}
        shown = {int(r.split()[0]) for r in checked_lines(run, 1015).lines}
        check(shown <= x_rates | {0, 60}, "rates %r for %s, xrandr %r" % (shown, line, x_rates))


def check_nothing_started(run):
    events = run.events()
    check(events[-1] == "setup: dialog ended 2", "events %r" % events)
    check(not any(e.startswith(("audio output", "presenter", "shutdown")) for e in events),
          "the demo was started: %r" % events)


def setup_dialog(args):
    """The setup dialog: caption, controls, the display's modes as xrandr has them, the full-screen
    controls following "Fullscreen", "Info". Each way out (the close box; "Exit"; "Exit" once "Run
    demo" found no Direct3D 11 and the dialog stayed after the presenter's message) ends the
    program with exit code 0, nothing started."""
    for how, env in (("the close box", {}), ("Exit", {}), ("Exit without Direct3D 11", NO_D3D)):
        with harness.Vrinx(args, env=env, setup=False) as run:
            if how == "Exit":
                check_dialog(run)
                check_modes(run)
                run.set_check(harness.FULLSCREEN, False)
                controls = run.dialog()[1]
                check(not any(controls[i].enabled for i in FULLSCREEN_CONTROLS),
                      "full-screen controls on without Fullscreen")
                check(all(controls[i].enabled for i in (1009, 1020, 1029, 1)),
                      "controls disabled with Fullscreen off")
                run.set_check(harness.FULLSCREEN, True)
                check(all(run.dialog()[1][i].enabled for i in FULLSCREEN_CONTROLS),
                      "full-screen controls stay disabled")
                run.do("click", "1004")
                run.expect_message(TITLE, INFO, "Info")
            elif env:
                run.run_demo({})
                run.expect_message(D3D_TITLE, D3D_TEXT)
                check(run.dialog()[0] == TITLE, "the dialog closed after the Direct3D message")
            run.do(*(["dialogclose"] if how == "the close box" else ["click", str(harness.EXIT)]))
            run.expect_exit(0, how)
            check(not run.has_window(), "%s: a demo window exists" % how)
            check_nothing_started(run)


def run_demo_windowed(args):
    """"Run demo" with "Music", "Aspect ratio 4:3" and the CRT effects off: silent, 320x200, plain."""
    with harness.Vrinx(args, setup={i: False for i in (1009, 1022) + CRT_SWITCHES}, hold=140) as run:
        check(run.client_rect()[2:] == (320, 200), "client area %r" % (run.client_rect(),))
        run.wait_frame()
        ref, _ = run.reference(320, 200, aspect=0)
        eventually(lambda: harness.expect_same(run.screenshot(), ref, 1000))
        run.close()
        events = run.events()
        run_demo = [e for e in events if e.startswith("setup: run demo ") and e.endswith("fullscreen 0, music 0")]
        check("audio output: silent" in events and run_demo, "events %r" % events)


NV, ADL = os.environ.get("VRINX_NVAPI_DLL"), os.environ.get("VRINX_ADL_DLL")
BOTH = {"nvapi64.dll": NV, "atiadlxx.dll": ADL}
# (what, {file in the system folder: stand-in}, {VRINX_NVAPI, VRINX_ADL}, answer, and for a run of
#  the demo whether check box 1030 is ticked when "Run demo" is pressed; None: no run)
VRR_CASES = [
    ("no vendor library", {}, {}, 2, True),
    ("no vendor library, VRR unticked", {}, {}, 2, False),
    ("NVAPI capable", BOTH, {"VRINX_NVAPI": "capable", "VRINX_ADL": "incapable"}, 1, True),
    ("NVAPI not possible", BOTH, {"VRINX_NVAPI": "incapable", "VRINX_ADL": "capable"}, 0, True),
    ("NVAPI failing, ADL capable", BOTH, {"VRINX_NVAPI": "failing", "VRINX_ADL": "capable"}, 1, None),
    ("NVAPI without the VRR query, ADL not capable", BOTH, {"VRINX_NVAPI": "partial", "VRINX_ADL": "incapable"},
     0, None),
    ("NVAPI without the display, ADL with two displays", BOTH,
     {"VRINX_NVAPI": "no-display", "VRINX_ADL": "two-displays"}, 2, None),
    ("ADL under its second name", {"atiadlxy.dll": ADL}, {"VRINX_ADL": "capable"}, 1, None),
    ("ADL failing to start", {"atiadlxx.dll": ADL}, {"VRINX_ADL": "failing"}, 2, None),
    ("ADL counting past the block it allocated", {"atiadlxx.dll": ADL}, {"VRINX_ADL": "short-block"}, 2, None),
]


def check_calls(what, calls, libraries, env):
    """Each library loaded was unloaded within the probe; NVAPI was closed after it was
    opened; ADL was asked only when NVAPI gave no answer."""
    for name in ("nvapi", "adl"):
        unloaded = calls.count(name + " attach") == calls.count(name + " detach free")
        check(unloaded and name + " detach exit" not in calls, "%s: %s not unloaded: %r" % (what, name, calls))
    if "nvapi64.dll" in libraries:
        check("nvapi attach" in calls, "%s: nvapi64.dll was never loaded" % what)
        check(calls.count("nvapi initialize") == calls.count("nvapi unload") or env.get("VRINX_NVAPI") == "failing",
              "%s: NVAPI not unloaded: %r" % (what, calls))
    if env.get("VRINX_NVAPI") in ("capable", "incapable"):
        check(not any(c.startswith("adl") for c in calls), "%s: ADL was asked: %r" % (what, calls))
    elif "atiadlxx.dll" in libraries or "atiadlxy.dll" in libraries:
        check("adl create 1" in calls, "%s: ADL was not asked: %r" % (what, calls))
        check(("adl destroy" in calls) == (env.get("VRINX_ADL") != "failing"), "%s: ADL destroy: %r" % (what, calls))
    if env.get("VRINX_ADL") == "short-block":
        check(not any(c.startswith("adl freesync") for c in calls), "%s: a display was asked: %r" % (what, calls))


def vrr_probe(args):
    """The VRR probe against stand-in vendor libraries in the system folder: NVAPI's answer, else
    ADL's, else 2; all unloaded. The dialog shows it (1030, 1031), the demo presents by it."""
    system = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "system32")
    for what, libraries, env, answer, vrr_box in VRR_CASES:
        vrr = vrr_box is not None and answer != 0 and vrr_box  # what "Run demo" stores
        try:
            for name, source in libraries.items():
                check(source and os.path.exists(source), "stand-in for %s not built" % name)
                shutil.copy(source, os.path.join(system, name))
            with harness.Vrinx(args, env=env, setup=False) as run:
                check_vrr(run, answer, what)
                if vrr_box is None:
                    run.do("click", str(harness.EXIT))
                    run.expect_exit(0, what)
                else:
                    run.run_demo({1030: vrr_box} if answer else {})
                    sync = "presenter: sync " + ("VRR" if vrr else "VSync")
                    eventually(lambda: check(sync in run.events(), "%s: no %s in %r" % (what, sync, run.events())),
                               harness.STARTUP_SECONDS)
                    run.close(what)
                probes = [e for e in run.events() if e.startswith(("vrr probe: ", "presenter: vrr capability "))]
                check(probes and all(e.endswith(" %d" % answer) for e in probes), "%s: answers %r" % (what, probes))
                # The presenter probes the window's monitor once, when VRR is still wanted.
                reprobes = [e for e in probes if e.startswith("presenter")]
                check(len(reprobes) == (1 if vrr else 0), "%s: presenter probes %r" % (what, reprobes))
                check_calls(what, run.events(run.calls), libraries, env)
        finally:
            for name in libraries:
                if os.path.exists(os.path.join(system, name)):
                    os.remove(os.path.join(system, name))


def planted_dll(args):
    """A winmm.dll beside the program, with Wine told to prefer such a file to its own, is never
    loaded: the wave device and the clock come from the system's library and the show plays."""
    overrides = ";".join(filter(None, [os.environ.get("WINEDLLOVERRIDES"), "winmm=n,b"]))
    planted = {"winmm.dll": harness.read(os.environ["VRINX_WINMM_DLL"])}
    with tempfile.TemporaryDirectory(prefix="vrinx-alsa-") as config:
        # ALSA's null device as the default one: a wave device that plays to nowhere in real time.
        os.mkdir(os.path.join(config, "alsa"))
        with open(os.path.join(config, "alsa", "asoundrc"), "w") as f:
            f.write("pcm.!default { type null }\n")
        with harness.Vrinx(args, env={"WINEDLLOVERRIDES": overrides, "XDG_CONFIG_HOME": config}, files=planted) as run:
            eventually(lambda: check(run.last("run 0 frame 7: ") is not None, "no frames shown"),
                       harness.STARTUP_SECONDS)
            time.sleep(1.5)
            run.close()
            check(not run.events(run.calls), "the planted winmm.dll ran: %r" % run.events(run.calls))
            check("audio output: wave device" in run.events(), "events %r" % run.events())
            # The audio clock at shutdown: more than a second.
            played = int(run.last("execution state 80000000, audio frames "))
            check(played > 44100, "the audio clock stood at %d frames" % played)


if __name__ == "__main__":
    harness.main({"fatal": fatal, "config": config, "unicode_folder": unicode_folder, "setup_dialog": setup_dialog,
                  "run_demo_windowed": run_demo_windowed, "vrr_probe": vrr_probe, "planted_dll": planted_dll})
