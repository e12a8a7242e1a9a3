"""The VRR probe against stand-in vendor libraries placed in the prefix's system folder,
where the program looks for them: NVAPI's answer when it gives one, ADL's when it
doesn't, 2 without either or when the answer is ambiguous; every library unloaded again.
The setup dialog shows the answer in text 1031 and check box 1030, and the demo then
presents with VRR or VSync accordingly."""
import os
import shutil

import harness
import present_checks as pc

VRR_TEXTS = {
    0: "VRR unavailable on this display or Windows/driver. VSync remains available.",
    1: "Monitor supports VRR. Enable it in the monitor and driver settings.",
    2: "Monitor VRR support could not be verified.",
}

NV, ADL = os.environ.get("VRINX_NVAPI_DLL"), os.environ.get("VRINX_ADL_DLL")

# (what, {file in the system folder: stand-in}, {VRINX_NVAPI, VRINX_ADL}, answer, and for a run of
#  the demo whether check box 1030 is ticked when "Run demo" is pressed; None: no run)
CASES = [
    ("no vendor library", {}, {}, 2, True),
    ("no vendor library, VRR unticked", {}, {}, 2, False),
    ("NVAPI capable", {"nvapi64.dll": NV, "atiadlxx.dll": ADL}, {"VRINX_NVAPI": "capable", "VRINX_ADL": "incapable"},
     1, True),
    ("NVAPI not possible", {"nvapi64.dll": NV, "atiadlxx.dll": ADL},
     {"VRINX_NVAPI": "incapable", "VRINX_ADL": "capable"}, 0, True),
    ("NVAPI failing, ADL capable", {"nvapi64.dll": NV, "atiadlxx.dll": ADL},
     {"VRINX_NVAPI": "failing", "VRINX_ADL": "capable"}, 1, None),
    ("NVAPI without the VRR query, ADL not capable", {"nvapi64.dll": NV, "atiadlxx.dll": ADL},
     {"VRINX_NVAPI": "partial", "VRINX_ADL": "incapable"}, 0, None),
    ("NVAPI without the display, ADL with two displays", {"nvapi64.dll": NV, "atiadlxx.dll": ADL},
     {"VRINX_NVAPI": "no-display", "VRINX_ADL": "two-displays"}, 2, None),
    ("ADL under its second name", {"atiadlxy.dll": ADL}, {"VRINX_ADL": "capable"}, 1, None),
    ("ADL failing to start", {"atiadlxx.dll": ADL}, {"VRINX_ADL": "failing"}, 2, None),
]


def system_folder():
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "system32")


def check_calls(what, calls, libraries, env):
    """Each library loaded was unloaded within the probe; NVAPI was closed after it was
    opened; ADL was asked only when NVAPI gave no answer."""
    for name in ("nvapi", "adl"):
        attached = calls.count(name + " attach")
        harness.check(attached == calls.count(name + " detach free") and name + " detach exit" not in calls,
                      "%s: %s not unloaded: %r" % (what, name, calls))
    if "nvapi64.dll" in libraries:
        harness.check("nvapi attach" in calls, "%s: nvapi64.dll was never loaded" % what)
        harness.check(calls.count("nvapi initialize") == calls.count("nvapi unload") or
                      env.get("VRINX_NVAPI") == "failing", "%s: NVAPI not unloaded: %r" % (what, calls))
    if env.get("VRINX_NVAPI") in ("capable", "incapable"):
        harness.check(not any(c.startswith("adl") for c in calls), "%s: ADL was asked: %r" % (what, calls))
    elif "atiadlxx.dll" in libraries or "atiadlxy.dll" in libraries:
        harness.check("adl create 1" in calls, "%s: ADL was not asked: %r" % (what, calls))
        created = env.get("VRINX_ADL") != "failing"
        harness.check(("adl destroy" in calls) == created, "%s: ADL destroy: %r" % (what, calls))


def run_case(args, what, libraries, env, answer, vrr_box):
    scratch = pc.Scratch()
    calls_log = os.path.join(scratch.folder, "stand-in.log")
    env = dict(env, VRINX_STAND_IN_LOG=pc.wine_path(calls_log))
    run_demo = vrr_box is not None
    vrr = run_demo and answer != 0 and vrr_box  # what "Run demo" stores
    placed = []
    try:
        for name, source in libraries.items():
            harness.check(source and os.path.exists(source), "stand-in for %s not built" % name)
            target = os.path.join(system_folder(), name)
            shutil.copy(source, target)
            placed.append(target)
        with harness.Vrinx(args, env=dict(scratch.env, **env), setup=False) as run:
            run.wait_dialog()
            controls = run.dialog()[1]
            harness.check(controls[1031].text == VRR_TEXTS[answer], "%s: text 1031 %r" % (what, controls[1031].text))
            harness.check(controls[1030].enabled == (answer != 0) and controls[1030].checked == (answer != 0),
                          "%s: VRR box enabled %s checked %d" % (what, controls[1030].enabled, controls[1030].checked))
            if run_demo:
                run.run_demo({1030: vrr_box} if answer else {})
                sync = "VRR" if vrr else "VSync"
                harness.eventually(lambda: harness.check(
                    "presenter: sync %s" % sync in scratch.events(), "%s: no %s present in %r"
                    % (what, sync, scratch.events())), harness.STARTUP_SECONDS)
                harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            else:
                run.click(1006)
            harness.check(run.wait_exit() == 0, "%s: exit code" % what)
        events = scratch.events()
        probes = [e for e in events if e.startswith(("vrr probe: ", "presenter: vrr capability "))]
        harness.check(probes and all(e.endswith(" %d" % answer) for e in probes), "%s: answers %r" % (what, probes))
        # The presenter probes the window's monitor once, when VRR is still wanted.
        reprobes = [e for e in probes if e.startswith("presenter")]
        harness.check(len(reprobes) == (1 if vrr else 0), "%s: presenter probes %r" % (what, reprobes))
        calls = []
        if os.path.exists(calls_log):
            with open(calls_log) as f:
                calls = [line for line in f.read().split("\n") if line]
        check_calls(what, calls, libraries, env)
    finally:
        for target in placed:
            os.remove(target)
        scratch.remove()


def test(args):
    for case in CASES:
        run_case(args, *case)


if __name__ == "__main__":
    harness.main(test)
