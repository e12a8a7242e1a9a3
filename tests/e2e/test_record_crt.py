"""With the CRT effects on (the configuration's defaults), the recorded W x H picture goes
through the CRT pass: the frames differ from the plain composition, and since the pass's
persistence runs on the recorder clock, two recordings of the same command line hold the
same frames however fast each one ran (the second one with the CPU kept busy)."""
import os
import shutil
import subprocess
import sys
import tempfile

import harness
import record_checks as rc

FPS, WIDTH, HEIGHT = 70, 320, 240
FRAMES = 60


def record(args, folder, number):
    with harness.Vrinx(args, ["/record", str(FPS), str(WIDTH), str(HEIGHT)], folder=folder) as run:
        rc.wait_for_frames(run, run.file(rc.name(FPS, number) + ".partial"), FRAMES, WIDTH, HEIGHT, FPS)
        harness.check(run.winctl("key", "0x1B")[0] == 0, "Escape could not be posted")
        code = run.wait_exit()
        harness.check(code == 0, "exit code %r after Escape" % code)
    return rc.ffmpeg_video(os.path.join(folder, rc.name(FPS, number)))


def test(args):
    size = WIDTH * HEIGHT * 3
    plain = rc.demo_frames(range(FRAMES), WIDTH, HEIGHT, 1)
    folder = tempfile.mkdtemp(prefix="vrinx-e2e-crt-")
    try:
        first = record(args, folder, 0)
        busy = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
        try:
            second = record(args, folder, 1)
        finally:
            for p in busy:
                p.kill()
                p.wait()
        frames = min(len(first), len(second)) // size
        harness.check(frames >= FRAMES, "only %d frames recorded" % frames)
        harness.check(first[:frames * size] == second[:frames * size],
                      "two recordings with the CRT pass differ")
        different = sum(first[k * size:(k + 1) * size] != plain[k] for k in range(FRAMES))
        harness.check(different > FRAMES // 2, "only %d of %d frames went through the CRT pass" %
                      (different, FRAMES))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
