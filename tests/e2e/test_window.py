"""The demo window driven as a user drives it: keys, the context menu, full screen, the end
of a run with the DOS prompt, and the loop back to the first frame."""
import os
import re
import time

import harness
from harness import check, eventually

WS_POPUP, WS_VISIBLE, WS_CAPTION = 0x80000000, 0x10000000, 0x00C00000
REFUSED = "Windows could not activate the selected display mode. The demo will remain windowed."
PROMPT = "C:\\KOHR\\RELEASES\\KOHR_V97>"
GREY, BLACK = (170, 170, 170), (0, 0, 0)
LIGHT_BLUE, DARK_BLUE = (7 * 4, 9 * 4, 20 * 4), (0, 0, 12 * 4)  # colours 128 and 129
SC_SCREENSAVE, SC_MONITORPOWER = 0xF140, 0xF170
AWAKE, RELEASED = "80000003", "80000000"  # ES_CONTINUOUS with and without display and system


def full_screen(run, screen):
    """Checks that the demo window is a visible popup covering the display; whether it is topmost."""
    rect, style, topmost = run.window()
    check(rect == (0, 0) + screen, "window %r, display %r" % (rect, screen))
    check(style & (WS_POPUP | WS_VISIBLE | WS_CAPTION) == WS_POPUP | WS_VISIBLE,
          "style 0x%08x is not a visible popup" % style)
    check(run.client_rect() == (0, 0) + screen, "client %r" % (run.client_rect(),))
    return topmost


def menu_shows(run, checked=(), unchecked=(), grayed=(), volume=None):
    def attempt():
        state = run.menu()
        check(state is not None, "no menu refresh logged")
        on, gray, level = state
        check(set(checked) <= on and not set(unchecked) & on and set(grayed) <= gray, "menu %r" % (state,))
        check(volume is None or level == volume, "volume %d, expected %r" % (level, volume))
        return state
    return eventually(attempt)


def keys(args):
    """Keys held down (a press and three auto-repeats, which must be ignored, so every option toggles
    once) and their effects: sizes, aspect, overlay, CRT filters, pause, topmost, sound, filters."""
    with harness.Vrinx(args) as run:
        # Sizes, with the 4:3 aspect of the default configuration.
        eventually(lambda: check(run.client_rect()[2:] == (320, 240), "client area %r" % (run.client_rect(),)))
        run.hold("D")
        eventually(lambda: check(run.client_rect()[2:] == (640, 480), "client area %r" % (run.client_rect(),)))
        menu_shows(run, checked=[40003, 40005], unchecked=[40002])
        run.hold("S")
        eventually(lambda: check(run.client_rect()[2:] == (320, 240), "client area %r" % (run.client_rect(),)))
        menu_shows(run, checked=[40002])

        # A in a 500x300 window: no resize; without 4:3 the picture fills the client area,
        # with it the 400x300 picture leaves black bars of 50 pixels at the sides.
        run.resize(500, 300)

        def bars(present):
            def attempt():
                shot = run.screenshot()
                black = all(shot.pixel(x, y) == BLACK for x in (0, 49, 450, 499) for y in range(0, 300, 10))
                check(black == present, "side bars %s" % ("missing" if present else "still black"))
            eventually(attempt, 60)

        bars(True)
        run.hold("A")
        menu_shows(run, unchecked=[40005])
        bars(False)
        time.sleep(0.5)
        check(run.client_rect()[2:] == (500, 300), "A resized the 500x300 window")
        run.hold("A")
        bars(True)

        def overlay(shown):
            eventually(lambda: check((run.screenshot().count(harness.BOX) > 1000) == shown,
                                     "overlay %s" % ("missing" if shown else "still shown")))

        def box_height():
            shot = run.screenshot()
            rows = [y for y in range(shot.height) if shot.pixel(shot.width - 9, y) == harness.BOX]
            return max(rows) - min(rows) + 1 if rows else 0

        run.hold("F2")
        overlay(True)
        menu_shows(run, checked=[40019])
        # Space: the CRT filters off, so the overlay lists one switch instead of nine.
        tall = eventually(lambda: box_height() or check(False, "no overlay box"))
        run.hold("Space")
        eventually(lambda: check(0 < box_height() < tall * 2 // 3, "overlay box %d, was %d" % (box_height(), tall)))
        run.hold("Space")
        eventually(lambda: check(box_height() == tall, "overlay box not back to %d" % tall))

        # P: "Paused" and a still picture; Pause and it moves.
        run.hold("P")
        menu_shows(run, checked=[40006])

        def still():
            first = run.screenshot()
            time.sleep(0.5)
            check(run.screenshot().data == first.data, "the picture moves while paused")

        eventually(still)
        run.hold("Pause")
        menu_shows(run, unchecked=[40006])
        first = run.screenshot()
        eventually(lambda: check(run.screenshot().data != first.data, "the picture stays still"))
        run.hold("F2")
        overlay(False)

        for on in (True, False):
            run.hold("T")
            eventually(lambda: check(run.window()[2] == on, "topmost flag not %s" % on))
            menu_shows(run, checked=[40007] if on else [], unchecked=[] if on else [40007])

        # Sound: mute, unmute restores, steps of 5 within 0..100.
        for key, checked, unchecked, volume in (("minus", [], [], 95), ("M", [40004], [], 0), ("M", [], [40004], 95),
                                                ("pad plus", [], [], 100), ("plus", [], [], 100)):
            run.hold(key)
            menu_shows(run, checked, unchecked, volume=volume)
        # Filter switches: L (scanlines, on by default) off, V (persistence, off) on.
        run.hold("L")
        run.hold("V")
        menu_shows(run, checked=[40015], unchecked=[40011])
        run.close()
        harness.check_order(run.events(), "demo thread ended", "shutdown exit code 0")


def fullscreen(args):
    """F makes a borderless popup over the display (sizes grayed), where the resting cursor hides
    until moved; F again restores position, size and style, keeping "Always on top". Then the
    context menu opened from the keyboard appears at (30, 50) from the window's corner with its
    check marks refreshed, and a WM_CLOSE while it is open still ends the program with 0."""
    with harness.Vrinx(args) as run:
        screen = run.screen()
        eventually(lambda: check(run.menu() is not None, "no menu refresh"))
        before, style, _ = run.window()
        check(style & WS_CAPTION and before[2:] != screen, "not a window at start: %r" % (before,))

        def windowed(topmost):
            rect, style, on_top = run.window()
            check(rect == before, "window %r after leaving full screen, was %r" % (rect, before))
            check(style & WS_CAPTION and not style & WS_POPUP, "style 0x%08x not restored" % style)
            check(on_top == topmost, "topmost %r, expected %r" % (on_top, topmost))

        run.hold("F")
        eventually(lambda: full_screen(run, screen))
        menu_shows(run, checked=[40010], grayed=[40002, 40003])
        # The cursor, resting inside the client area, hides; a movement shows it again.
        run.do("move", str(screen[0] // 2), str(screen[1] // 2))
        eventually(lambda: check(run.last("cursor ") == "hidden", "cursor not hidden"), 60)
        run.do("move", str(screen[0] // 3), str(screen[1] // 3))
        eventually(lambda: check(run.last("cursor ") == "shown", "cursor still hidden"))
        run.key("F")
        eventually(lambda: windowed(False))
        # Always on top survives a round trip through full screen.
        run.key("T")
        eventually(lambda: check(run.window()[2], "not topmost after T"))
        run.key("F")
        eventually(lambda: full_screen(run, screen))
        run.key("F")
        eventually(lambda: windowed(True))
        # (It may have hidden in full screen meanwhile, on a slow machine; a window shows it.)
        eventually(lambda: check(run.last("cursor ") != "hidden", "cursor hidden in a window"))
        run.do("menukey")
        code, out = run.winctl("popup", "60", timeout=90)
        at, corner = tuple(int(v) for v in out.split()), tuple(before[:2])
        check(code == 0 and at == (corner[0] + 30, corner[1] + 50), "menu at %r, window at %r" % (at, corner))
        check({40005, 40002} <= run.menu()[0], "menu not refreshed before opening: %r" % (run.menu(),))
        run.close("the menu open")


def nogui(args):
    """/nogui takes the dialog's defaults: full screen at the current mode from the start, locked
    (F and "Always on top" do nothing, the menu grays them); the mode is given back at the end."""
    with harness.Vrinx(args, ["/nogui"]) as run:
        screen = run.screen()
        eventually(lambda: check(not full_screen(run, screen), "topmost"))
        check(run.last("display mode %dx%d: " % screen) == "0", "no switch to the current mode logged")
        # F and T, then F2 as a marker: once F2's menu refresh is logged, F and T were handled.
        for key in ("F", "T", "F2"):
            run.key(key)
        checked, grayed, _ = menu_shows(run, checked=[40019])
        check(40010 in checked and 40007 not in checked, "checked %r" % sorted(checked))
        check(grayed == {40002, 40003, 40010, 40007}, "grayed %r" % sorted(grayed))
        check(not full_screen(run, screen), "topmost")
        run.close()
        # A normal end gives the display mode back.
        harness.check_order(run.events(), "shutdown exit code 0", "display mode restored: 0")


def refused_mode(args):
    """A display mode Windows refuses shows its message and the demo runs windowed; F tries again."""
    with harness.Vrinx(args, ["/nogui"], env={"VRINX_TEST_MODE": "123x45"}, window=False) as run:
        for attempt in ("first", "second"):
            run.expect_message(harness.TITLE, REFUSED, attempt)
            run.wait_window()
            eventually(lambda: check(run.window()[1] & WS_CAPTION, "not windowed after the %s refusal" % attempt))
            eventually(lambda: check(run.menu() is not None and not run.menu()[1], "menu %r" % (run.menu(),)))
            if attempt == "first":
                run.key("F")
        run.close()


def quit_interlude(args, how):
    """Escape or a close during the DOS prompt ends the program at once. The context menu, opened
    from the keyboard or with the mouse while the prompt shows, is closed when the interlude ends:
    shutdown begins within 1 s of its end at 5 s, exit code 0."""
    with harness.Vrinx(args) as run:
        eventually(lambda: check(run.last("run 0 frame 7") is not None, "no frames yet"), 60)
        run.key("Escape")
        eventually(lambda: check("interlude started" in run.events(), "no interlude"), 30, 0.02)
        if how in ("escape", "close"):
            run.do(*(["key", str(harness.VK["Escape"])] if how == "escape" else ["close"]))
            run.expect_exit(0, how + " in the interlude")
            check("interlude over" not in run.events(), "%s waited for the interlude's end" % how)
            return
        started = time.time()
        run.do(how)
        check(run.winctl("popup", "4")[0] == 0, "%s: no menu while the prompt shows" % how)
        eventually(lambda: check("interlude over" in run.events(), "%s: the interlude goes on" % how), 30, 0.02)
        over = time.time()
        eventually(lambda: check("shutdown exit code 0" in run.events(), "%s: no shutdown" % how), 30, 0.02)
        ended = time.time()
        run.expect_exit(0, how + ": the menu open at the interlude's end")
        # The interlude's own 5 s (on the program's clock, which a loaded machine stretches) are
        # checked by the interlude case; here the shutdown must follow the interlude's end.
        check(over - started >= 4.9 and ended - over <= 1.0, "%s: interlude over after %.2f s, shutdown %.2f s "
              "later" % (how, over - started, ended - over))
        print("%s: interlude over %.2f s after it started, shutdown %.2f s later" % (how, over - started,
                                                                                     ended - over))
        over = run.events().count("interlude over")
        check(over <= 2, "%s: the interlude's end was logged %d times" % (how, over))


def expected_prompt():
    """(x, y) -> colour for the prompt's 26 cells, drawn with the generated font; the rest is black."""
    text = open(os.path.join(os.environ["VRINX_CONTENT_DIR"], "dos_font_data.h")).read()
    font = [int(v) for v in re.findall(r"\d+", text[text.index("kDosFont[4096] = {") + 18:])[:4096]]
    check(len(font) == 4096, "the font table has %d bytes" % len(font))
    return {(i * 8 + x, y): GREY if font[ord(ch) * 16 + y] >> (7 - x) & 1 else BLACK
            for i, ch in enumerate(PROMPT) for y in range(16) for x in range(8)}


def interlude(args):
    """The gliding blue checkerboard from row 6 of the tune on (counted on the plain picture); then
    Escape shows the DOS prompt, pixel for pixel as the font table draws it with a blinking cursor,
    and the program ends with 0 no sooner than 5 s later, starting no new run."""
    prompt = expected_prompt()
    # 640x400 shows the text-mode picture 1:1, with the CRT effects off.
    with harness.Vrinx(args, files={"Vrinx.ini": harness.ini("AspectRatio4x3=0")}) as run:
        run.do("size", "640", "400")

        def checkerboard():
            shot = run.screenshot()
            check((shot.width, shot.height) == (640, 400), "client area %dx%d" % (shot.width, shot.height))
            light, dark = shot.count(LIGHT_BLUE), shot.count(DARK_BLUE)
            check(light > 20000 and dark > 20000, "checkerboard colours: %d light, %d dark pixels" % (light, dark))
            return shot

        shot = eventually(checkerboard, 60)
        eventually(lambda: check(run.screenshot().data != shot.data, "the checkerboard does not glide"))
        escaped = time.time()
        run.key("Escape")

        def prompt_shown():
            shot = run.screenshot()
            cell = lambda x, y: 26 * 8 <= x < 27 * 8 and y < 16   # the cursor's, checked below
            bad = [(x, y, shot.pixel(x, y)) for y in range(400) for x in range(640)
                   if not cell(x, y) and shot.pixel(x, y) != prompt.get((x, y), BLACK)]
            check(not bad, "%d pixels differ from the prompt picture, first %r" % (len(bad), bad[:3]))
            cursor = [[shot.pixel(x, y) for x in range(26 * 8, 27 * 8)] for y in range(16)]
            shown = all(cursor[y] == [GREY if y in (13, 14) else BLACK] * 8 for y in range(16))
            check(shown or all(row == [BLACK] * 8 for row in cursor), "cursor cell %r" % cursor)

        eventually(prompt_shown, 30)
        run.expect_exit(0, "the interlude's end")
        check(time.time() - escaped >= 5.0, "the program ended %.1f s after Escape" % (time.time() - escaped))
        events = run.events()
        harness.check_order(events, "demo thread ended", "interlude started", "interlude over", "shutdown exit code 0")
        check("run 1 started" not in events, "a new run started after Escape")


def loop(args):
    """With "Loop demo", started 5 s before the song's end: the end of the show, the prompt with the name
    typed, then a second run whose first frames (as the test log hashes them) equal a fresh start's."""
    def first_frames(run, n):
        frames = [run.last("run %d frame %d: " % (n, i)) for i in range(8)]
        check(None not in frames, "run %d: frames %r" % (n, frames))
        return frames

    with harness.Vrinx(args) as fresh:
        fresh_frames = eventually(lambda: first_frames(fresh, 0), 60)
        fresh.close()
    with harness.Vrinx(args, setup={harness.LOOP_DEMO: True}, env={"VRINX_TEST_TAIL": "5000"}) as run:
        second_frames = eventually(lambda: first_frames(run, 1), 300, interval=1)
        lines = run.events()
        check(run.process.poll() is None, "the program ended instead of looping")
        first_typed = next(i for i, line in enumerate(lines) if line.startswith("typed "))
        order = [lines.index("demo thread ended"), lines.index("interlude started"), first_typed,
                 lines.index("typed 7"), lines.index("run 1 started")]
        check(order == sorted(order), "events out of order: %r" % order)
        typed = [int(line.split()[1]) for line in lines if line.startswith("typed ")]
        check(typed == sorted(typed) and typed[-1] == 7 and len(set(typed)) == len(typed), "typed counts %r" % typed)
        check(second_frames == fresh_frames, "first frames differ: %r vs %r" % (second_frames, fresh_frames))
        run.close()


def keep_awake(args):
    """The execution state asked for at start, pause, resume and shutdown (the audio clock held
    while paused); the screen saver and monitor power-off refused in full screen while playing,
    passed on in a window and while paused."""
    with harness.Vrinx(args) as run:
        def states():
            found = [re.fullmatch(r"execution state (\w+), audio frames (\d+)", e) for e in run.events()]
            return [(m[1], int(m[2])) for m in found if m]

        def system_commands(answer):
            for command, power_off in ((SC_SCREENSAVE, 0), (SC_MONITORPOWER, 2)):
                run.do("syscommand", str(command), str(power_off))
                line = "system command %04x %s" % (command, answer)
                check(run.events()[-1] == line, "%s: %r" % (line, run.events()[-3:]))

        eventually(lambda: check([s for s, _ in states()] == [AWAKE], "at start: %r" % states()))
        system_commands("passed on")
        run.key("F")
        menu_shows(run, checked=[40010])
        system_commands("refused")
        run.key("P")
        eventually(lambda: check(len(states()) == 2, "pause: %r" % states()))
        system_commands("passed on")
        time.sleep(1.5)
        run.key("P")
        eventually(lambda: check(len(states()) == 3, "resume: %r" % states()))
        time.sleep(1)
        run.close()
        (start, _), (pause, held), (resume, resumed), (end, last) = states()
        check((pause, resume, end) == (RELEASED, AWAKE, RELEASED), "states %r" % states())
        check(resumed - held < 44100 // 2 < last - resumed, "audio frames %r" % states())


if __name__ == "__main__":
    harness.main({"keys": keys, "fullscreen": fullscreen, "nogui": nogui, "refused_mode": refused_mode,
                  "interlude": interlude, "interlude_escape": lambda args: quit_interlude(args, "escape"),
                  "interlude_close": lambda args: quit_interlude(args, "close"),
                  "interlude_menu": lambda args: [quit_interlude(args, how) for how in ("menukey", "menuclick")],
                  "loop": loop, "keep_awake": keep_awake})
