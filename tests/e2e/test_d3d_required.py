"""Without a usable d3d11.dll (disabled by a Wine DLL override) the program shows the
presenter's message, captioned "Direct3D 11 required", and ends with exit code 1, the display
mode it had switched to given back first."""
import os

import harness
import present_checks as pc

TEXT = ("A hardware GPU supporting Direct3D 11 (feature level 11.0) is required. GPU initialization "
        "or rendering failed. Update your graphics driver and try again.")


def test(args):
    scratch = pc.Scratch()
    overrides = os.environ.get("WINEDLLOVERRIDES", "")
    env = dict(scratch.env, WINEDLLOVERRIDES=(overrides + ";" if overrides else "") + "d3d11=")
    try:
        with harness.Vrinx(args, ["/nogui"], env=env) as run:
            code, text = run.message("Direct3D 11 required")
            harness.check(code == 0, "no \"Direct3D 11 required\" message box")
            harness.check(text.strip() == TEXT, "message text %r" % text)
            exit_code = run.wait_exit()
            harness.check(exit_code == 1, "exit code %r, expected 1" % exit_code)
        events = scratch.events() if os.path.exists(scratch.log) else []
        harness.check(not any(e.startswith("presenter: device created") for e in events),
                      "a device was created: %r" % events)
        # /nogui switched to full screen first: the mode is given back before the message.
        harness.check("display mode restored: 0" in events, "display mode not restored: %r" % events)
    finally:
        scratch.remove()


if __name__ == "__main__":
    harness.main(test)
