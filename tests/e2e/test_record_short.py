"""Short recordings, each ended part-way with Escape (the file is then finished and
readable) or by a write error:
- video frame k shows demo frame floor(k x 70 / F) at 70, 35 and 140 fps, frame for frame
  equal to the native composition of that demo frame and to the 70 fps recording;
- the sound is the pre-rendered tune, or silence with Music=0;
- "/RECORD 60 320 200" records, and a leftover ".partial" of the first name is left intact
  while the recording takes the next number;
- a file-size limit reached part-way gives the failure box and exit code 1, and the
  ".partial" file keeps every byte written before the limit."""
import os
import resource
import signal

import harness
import record_checks as rc

WIDTH, HEIGHT = 320, 240
DEMO_FRAMES = 100  # the demo frames each recording must cover before it is ended


def record_until(args, program_args, fps, width, height, wanted, files, folder=None, partial_name=None):
    """Starts a recording, waits for `wanted` video frames, presses Escape; returns the run
    (still open) once the program has ended with exit code 0."""
    run = harness.Vrinx(args, program_args, files=files, folder=folder)
    try:
        partial = run.file((partial_name or rc.name(fps)) + ".partial")
        rc.wait_for_frames(run, partial, wanted, width, height, fps)
        harness.check(run.winctl("key", "0x1B")[0] == 0, "Escape could not be posted")
        code = run.wait_exit(harness.EXIT_SECONDS)
        harness.check(code == 0, "exit code %r after Escape at %d fps" % (code, fps))
    except BaseException:
        run.__exit__(None, None, None)
        raise
    return run


def check_recording(path, fps, width, height, reference, song, music=True):
    """The finished file: frame k equals demo frame floor(k x 70 / F) where the reference
    has it; the sound is the tune (or silence) up to the last video frame. Returns the frames."""
    info = rc.probe(path)
    frames = int(info["streams.stream.0.nb_read_frames"])
    video = rc.ffmpeg_video(path)
    size = width * height * 3
    harness.check(len(video) == frames * size, "%s: %d video bytes for %d frames" % (path, len(video), frames))
    compared = 0
    for k in range(frames):
        n = k * 70 // fps
        if n in reference:
            harness.check(video[k * size:(k + 1) * size] == reference[n],
                          "%s: video frame %d is not demo frame %d" % (path, k, n))
            compared += 1
    harness.check(compared >= DEMO_FRAMES * fps // 70, "%s: only %d frames compared" % (path, compared))
    audio = rc.ffmpeg_audio(path)
    want = rc.RATE * frames // fps * 4
    harness.check(len(audio) == want, "%s: %d audio bytes, expected %d" % (path, len(audio), want))
    harness.check(audio == (song[:want] if music else bytes(want)), "%s: the sound differs" % path)
    return video


def test(args):
    song = rc.song_pcm()
    reference = rc.demo_frames(range(DEMO_FRAMES), WIDTH, HEIGHT, 1)
    files = {"Vrinx.ini": rc.ini()}

    with record_until(args, ["/record", "70", str(WIDTH), str(HEIGHT)], 70, WIDTH, HEIGHT, DEMO_FRAMES,
                      files) as run:
        harness.check(sorted(os.listdir(run.folder)) == sorted([rc.name(70), "Vrinx.exe", "Vrinx.ini"]),
                      "files after the 70 fps recording: %s" % os.listdir(run.folder))
        video70 = check_recording(run.file(rc.name(70)), 70, WIDTH, HEIGHT, reference, song)
        with open(run.file(rc.name(70)), "rb") as f:
            file70 = f.read()

    size = WIDTH * HEIGHT * 3
    muted = {"Vrinx.ini": rc.ini(music=0)}
    with record_until(args, ["/record", "35", str(WIDTH), str(HEIGHT)], 35, WIDTH, HEIGHT, DEMO_FRAMES // 2,
                      muted) as run:
        video = check_recording(run.file(rc.name(35)), 35, WIDTH, HEIGHT, reference, song, music=False)
        for k in range(min(len(video) // size, (len(video70) // size + 1) // 2)):
            harness.check(video[k * size:(k + 1) * size] == video70[2 * k * size:(2 * k + 1) * size],
                          "35 fps frame %d differs from 70 fps frame %d" % (k, 2 * k))

    with record_until(args, ["/record", "140", str(WIDTH), str(HEIGHT)], 140, WIDTH, HEIGHT, DEMO_FRAMES * 2,
                      files) as run:
        video = check_recording(run.file(rc.name(140)), 140, WIDTH, HEIGHT, reference, song)
        for k in range(min(len(video) // size, 2 * len(video70) // size)):
            harness.check(video[k * size:(k + 1) * size] == video70[k // 2 * size:(k // 2 + 1) * size],
                          "140 fps frame %d differs from 70 fps frame %d" % (k, k // 2))

    # The picture 1:1 (AspectRatio4x3 off); the first name is taken by a leftover.
    leftover = b"a leftover of an earlier recording\n" * 1000
    plain = rc.demo_frames(range(DEMO_FRAMES), 320, 200, 0)
    files = {"Vrinx.ini": rc.ini(aspect=0), rc.name(60) + ".partial": leftover}
    with record_until(args, ["/RECORD", "60", "320", "200"], 60, 320, 200, DEMO_FRAMES * 60 // 70, files,
                      partial_name=rc.name(60, 1)) as run:
        check_recording(run.file(rc.name(60, 1)), 60, 320, 200, plain, song)
        with open(run.file(rc.name(60) + ".partial"), "rb") as f:
            harness.check(f.read() == leftover, "the leftover .partial file was changed")
        names = sorted([rc.name(60) + ".partial", rc.name(60, 1), "Vrinx.exe", "Vrinx.ini"])
        harness.check(sorted(os.listdir(run.folder)) == names, "files: %s" % os.listdir(run.folder))

    # The file may grow to 3 MB (about 12 frames at 320 x 240); the next write fails.
    limit = 3 * 1048576

    def limit_file_size():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

    with harness.Vrinx(args, ["/record", "70", str(WIDTH), str(HEIGHT)], files={"Vrinx.ini": rc.ini()},
                       preexec_fn=limit_file_size) as run:
        code, text = run.message(rc.TITLE)
        harness.check(code == 0, "no failure box")
        harness.check(text == rc.FAILURE, "failure text %r" % text)
        code = run.wait_exit()
        harness.check(code == 1, "exit code %r after the write failure" % code)
        harness.check(not os.path.exists(run.file(rc.name(70))), "a failed recording has its final name")
        with open(run.file(rc.name(70) + ".partial"), "rb") as f:
            partial = f.read()
        # Everything from the first chunk of the movi list up to the limit is as written.
        start = file70.index(b"movi") + 4
        harness.check(len(partial) == limit, "the partial file holds %d bytes" % len(partial))
        harness.check(partial[start:] == file70[start:limit], "the partial file's frames differ")


if __name__ == "__main__":
    harness.main(test)
