"""Single keys on the running demo, each held down (one press and three auto-repeats, which
must be ignored, so every option toggles exactly once) and its effect seen: S and D set the
client size, A in a 500x300 window changes the picture's shape but not the window, F2 shows
the overlay, Space shortens its list of switches (CRT filters off), P freezes the picture and T makes the window topmost; the sound and filter keys
change the menu's check marks and the volume the program applies."""
import time

import harness
from testlog import TestLog

VK = {"S": 0x53, "D": 0x44, "A": 0x41, "F2": 0x71, "P": 0x50, "T": 0x54, "M": 0x4D, "L": 0x4C, "O": 0x4F,
      "V": 0x56, "Space": 0x20, "minus": 0xBD, "pad plus": 0x6B, "plus": 0xBB, "Pause": 0x13}
BOX = (16, 16, 16)


def test(args):
    log = TestLog("keys")
    try:
        with harness.Vrinx(args, env=log.env) as run:
            run.wait_window()

            def hold(name):
                harness.check(run.winctl("hold", str(VK[name]), "3")[0] == 0, "key %s could not be posted" % name)

            def client_is(w, h):
                harness.eventually(lambda: harness.check(run.client_rect()[2:] == (w, h),
                                                         "client area %r, expected %dx%d" % (run.client_rect()[2:], w, h)))

            def menu_shows(checked=(), unchecked=(), volume=None):
                def attempt():
                    state = log.menu()
                    harness.check(state is not None, "no menu refresh logged")
                    on, _, level = state
                    harness.check(set(checked) <= on and not set(unchecked) & on, "checked %r" % sorted(on))
                    harness.check(volume is None or level == volume, "volume %d, expected %r" % (level, volume))
                harness.eventually(attempt)

            # Sizes, with the 4:3 aspect of the default configuration.
            client_is(320, 240)
            hold("D")
            client_is(640, 480)
            menu_shows(checked=[40003, 40005], unchecked=[40002])
            hold("S")
            client_is(320, 240)
            menu_shows(checked=[40002])

            # A in a 500x300 window: no resize; without 4:3 the picture fills the client area,
            # with it the 400x300 picture leaves black bars of 50 pixels at the sides.
            harness.check(run.winctl("size", "500", "300")[0] == 0, "resize failed")
            client_is(500, 300)

            def bars(present):
                def attempt():
                    shot = run.screenshot()
                    side = [shot.pixel(x, y) for x in (0, 49, 450, 499) for y in range(0, 300, 10)]
                    black = all(p == (0, 0, 0) for p in side)
                    harness.check(black == present, "side bars %s" % ("missing" if present else "still black"))
                harness.eventually(attempt, 60)

            bars(True)
            hold("A")
            menu_shows(unchecked=[40005])
            bars(False)
            time.sleep(0.5)
            harness.check(run.client_rect()[2:] == (500, 300), "A resized the 500x300 window")
            hold("A")
            bars(True)

            # F2: the overlay's box appears, and goes again.
            def overlay(shown):
                harness.eventually(lambda: harness.check((run.screenshot().count(BOX) > 1000) == shown,
                                                         "overlay %s" % ("missing" if shown else "still shown")))
            hold("F2")
            overlay(True)
            menu_shows(checked=[40019])

            # Space: the CRT filters off, so the overlay lists one switch instead of nine.
            def box_height():
                shot = run.screenshot()
                rows = [y for y in range(shot.height) if shot.pixel(shot.width - 9, y) == BOX]
                return max(rows) - min(rows) + 1 if rows else 0
            tall = harness.eventually(lambda: box_height() or harness.check(False, "no overlay box"))
            hold("Space")
            harness.eventually(lambda: harness.check(0 < box_height() < tall * 2 // 3,
                                                     "overlay box %d high, was %d" % (box_height(), tall)))
            hold("Space")
            harness.eventually(lambda: harness.check(box_height() == tall, "overlay box not back to %d" % tall))

            # P: "Paused" in the overlay and a still picture; P again and it moves.
            hold("P")
            menu_shows(checked=[40006])

            def still():
                first = run.screenshot()
                time.sleep(0.5)
                harness.check(run.screenshot().data == first.data, "the picture moves while paused")
            harness.eventually(still)
            hold("Pause")
            menu_shows(unchecked=[40006])

            def moving():
                first = run.screenshot()
                harness.eventually(lambda: harness.check(run.screenshot().data != first.data, "the picture stays still"))
            moving()
            hold("F2")
            overlay(False)

            # T: always on top, and off again.
            def topmost(on):
                harness.eventually(lambda: harness.check(run.winctl("window")[1].split()[6] == ("1" if on else "0"),
                                                         "topmost flag not %s" % on))
            hold("T")
            topmost(True)
            menu_shows(checked=[40007])
            hold("T")
            topmost(False)

            # Sound: mute, unmute restores, steps of 5 within 0..100.
            hold("minus")
            menu_shows(volume=95)
            hold("M")
            menu_shows(checked=[40004], volume=0)
            hold("M")
            menu_shows(unchecked=[40004], volume=95)
            hold("pad plus")
            menu_shows(volume=100)
            hold("plus")
            menu_shows(volume=100)

            # Filter switches: L (scanlines, on by default) off, V (persistence, off) on.
            hold("L")
            hold("V")
            menu_shows(checked=[40015], unchecked=[40011])

            harness.check(run.winctl("close")[0] == 0, "WM_CLOSE could not be posted")
            harness.check(run.wait_exit() == 0, "exit code not 0")
    finally:
        log.remove()


if __name__ == "__main__":
    harness.main(test)
