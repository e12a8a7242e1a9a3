"""Escape during a run ends it and shows the DOS prompt: the 640x400 text-mode picture
(light grey prompt on black, drawn with the generated font, a blinking underline cursor
after it) on a 640x400 client area, and the program ends with exit code 0 no sooner than
5 seconds later. The picture is checked pixel by pixel against the font table. Escape or
a window close during the interlude ends the program at once, before the interlude is over."""
import os
import re
import time

import harness
from testlog import TestLog

PROMPT = "C:\\KOHR\\RELEASES\\KOHR_V97>"
GREY = (170, 170, 170)
BLACK = (0, 0, 0)


def read_font():
    path = os.path.join(os.environ["VRINX_CONTENT_DIR"], "dos_font_data.h")
    with open(path) as f:
        text = f.read()
    values = [int(v) for v in re.findall(r"\d+", text[text.index("kDosFont[4096] = {") + 18:])[:4096]]
    assert len(values) == 4096
    return values


def expected_prompt(font):
    """(x, y) -> colour for the prompt's 26 cells; everything else is black."""
    picture = {}
    for i, ch in enumerate(PROMPT):
        for y in range(16):
            bits = font[ord(ch) * 16 + y]
            for x in range(8):
                picture[(i * 8 + x, y)] = GREY if bits >> (7 - x) & 1 else BLACK
    return picture


def quit_during_interlude(args, how):
    log = TestLog("interlude-" + how)
    try:
        with harness.Vrinx(args, env=log.env) as run:
            run.wait_window()
            harness.eventually(lambda: harness.check(log.last("run 0 frame 7") is not None, "no frames yet"), 60)
            harness.check(run.winctl("key", "0x1B")[0] == 0, "Escape could not be posted")
            harness.eventually(lambda: harness.check("interlude started" in log.lines(), "no interlude"))
            harness.check(run.winctl(*(["key", "0x1B"] if how == "escape" else ["close"]))[0] == 0,
                          "%s could not be posted" % how)
            code = run.wait_exit(harness.EXIT_SECONDS)
            harness.check(code == 0, "exit code %r after %s in the interlude" % (code, how))
            harness.check("interlude over" not in log.lines(), "%s waited for the interlude's end" % how)
    finally:
        log.remove()


def test(args):
    quit_during_interlude(args, "escape")
    quit_during_interlude(args, "close")
    prompt = expected_prompt(read_font())
    log = os.path.join(os.environ.get("TMPDIR", "/tmp"), "vrinx-interlude-%d.log" % os.getpid())
    env = {"VRINX_TEST_LOG": "Z:" + log.replace("/", "\\")}
    # 640x400 shows the text-mode picture 1:1, with the CRT effects off.
    ini = b"[CRT]\r\nAspectRatio4x3=0\r\n" + b"".join(b"%s=0\r\n" % k for k in (
        b"Scanlines", b"Distortion", b"Glow", b"RGBMask", b"Persistence", b"ChromaticSeparation", b"ColorBleeding",
        b"Bloom"))
    try:
        with harness.Vrinx(args, env=env, files={"Vrinx.ini": ini}) as run:
            run.wait_window()
            harness.check(run.winctl("size", "640", "400")[0] == 0, "resize failed")

            def demo_shown():
                shot = run.screenshot()
                harness.check((shot.width, shot.height) == (640, 400), "client area %dx%d" % (shot.width, shot.height))
                harness.check(shot.count(BLACK) < 640 * 400 // 2, "no demo picture yet")

            harness.eventually(demo_shown, 60)
            escaped = time.time()
            harness.check(run.winctl("key", "0x1B")[0] == 0, "Escape could not be posted")

            def prompt_shown():
                shot = run.screenshot()
                bad = []
                for y in range(400):
                    for x in range(640):
                        if 26 * 8 <= x < 27 * 8 and y < 16:
                            continue   # the cursor cell, checked below
                        want = prompt.get((x, y), BLACK)
                        if shot.pixel(x, y) != want:
                            bad.append((x, y, shot.pixel(x, y), want))
                harness.check(not bad, "%d pixels differ from the prompt picture, first %r" % (len(bad), bad[:3]))
                cursor = [[shot.pixel(x, y) for x in range(26 * 8, 27 * 8)] for y in range(16)]
                shown = all(cursor[y] == [GREY] * 8 if y in (13, 14) else cursor[y] == [BLACK] * 8 for y in range(16))
                hidden = all(row == [BLACK] * 8 for row in cursor)
                harness.check(shown or hidden, "cursor cell is neither the underline nor blank: %r" % cursor)

            harness.eventually(prompt_shown, 30)
            code = run.wait_exit(harness.EXIT_SECONDS)
            ended = time.time()
            harness.check(code == 0, "exit code %r after the interlude" % code)
            harness.check(ended - escaped >= 5.0, "the program ended %.1f s after Escape" % (ended - escaped))
        with open(log) as f:
            events = f.read().split("\n")
        order = ["demo thread ended", "interlude started", "interlude over", "shutdown exit code 0"]
        harness.check(all(e in events for e in order) and
                      [events.index(e) for e in order] == sorted(events.index(e) for e in order),
                      "events %r" % events)
        harness.check("run 1 started" not in events, "a new run started after Escape")
    finally:
        if os.path.exists(log):
            os.remove(log)


if __name__ == "__main__":
    harness.main(test)
