"""The recordings that /record writes, read back by ffprobe/ffmpeg and by GStreamer's AVI
demuxer, and compared with what the native build computes (the pre-rendered tune, the demo
frames composed as the painter composes them). Video frame k of a recording at F frames per
second shows demo frame floor(k x 70 / F)."""
import contextlib
import os
import resource
import signal
import subprocess
import sys
import tempfile

import harness
from harness import check

RATE = 44100
FAILURE = ("Recording failed (file write, rendering, or size limit).\n"
           "Any partial output has been kept with a .partial suffix.")
VIDEO = ("-map", "0:v", "-f", "rawvideo", "-pix_fmt", "bgr24")  # top row first, blue, green, red
AUDIO = ("-map", "0:a", "-f", "s16le")
DEMO_FRAMES = 100  # the demo frames each short recording must cover before it is ended


def ini(music=1, aspect=1):
    """Every CRT effect off: the frames are the plain composition."""
    return harness.ini("Music=%d" % music, "AspectRatio4x3=%d" % aspect)


def name(fps, number=0):
    return "Vrinx-record-%d.avi" % fps if number == 0 else "Vrinx-record-%d-%03d.avi" % (fps, number)


def ffmpeg(path, output):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, *output, "-"], capture_output=True, check=True,
                          timeout=600).stdout


def video_frames(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "flat", path],
                         capture_output=True, check=True, timeout=600).stdout.decode()
    return int(dict(line.split("=", 1) for line in out.splitlines())["streams.stream.0.nb_read_frames"].strip('"'))


def gstreamer_streams(path):
    """(video, audio) as GStreamer's avidemux hands them out."""
    with tempfile.TemporaryDirectory(prefix="vrinx-gst-") as folder:
        video, audio = os.path.join(folder, "video"), os.path.join(folder, "audio")
        subprocess.run(["gst-launch-1.0", "-q", "filesrc", "location=" + path, "!", "avidemux", "name=d",
                        "d.video_0", "!", "queue", "!", "filesink", "location=" + video,
                        "d.audio_0", "!", "queue", "!", "filesink", "location=" + audio],
                       capture_output=True, check=True, timeout=600)
        return harness.read(video), harness.read(audio)


def song_pcm():
    with tempfile.TemporaryDirectory(prefix="vrinx-ref-") as folder:
        subprocess.run([os.environ["VRINX_RECORD_REFERENCE"], os.environ["VRINX_ASSET_IMAGE"], "pcm",
                        os.path.join(folder, "song")], check=True, timeout=300)
        return harness.read(os.path.join(folder, "song"))


def demo_frames(numbers, width, height, aspect=None):
    """{n: demo frame n} composed at width x height as the painter composes it (through the CRT
    composition at the default settings when `aspect` is None), in ffmpeg's layout."""
    numbers = sorted(set(numbers))
    tool, options = ("VRINX_CRT_COMPOSE_REFERENCE", ()) if aspect is None else ("VRINX_COMPOSE_REFERENCE",
                                                                                (0, 0, aspect))
    with tempfile.TemporaryDirectory(prefix="vrinx-ref-") as folder:
        prefix = os.path.join(folder, "frame")
        subprocess.run([os.environ["VRINX_RECORD_REFERENCE"], os.environ["VRINX_ASSET_IMAGE"], "frames",
                        ",".join(map(str, numbers)), prefix], check=True, timeout=300)
        return {n: harness.pixels(harness.composed(tool, "%s%05d" % (prefix, n), width, height, *options)[0],
                                  (0, 1, 2)) for n in numbers}


@contextlib.contextmanager
def busy_cpu(processes=2):
    """The CPU kept busy by `processes` endless loops while the block runs."""
    busy = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(processes)]
    try:
        yield
    finally:
        for p in busy:
            p.kill()
            p.wait()


def record(args, fps, width, height, frames, files=None, folder=None, number=0, switch="/record", env=None,
           end="Escape"):
    """A recording ended with Escape (or end="close": the window closed) once its ".partial" file
    holds `frames` video frames (judged by its size, with the 1 MiB stream buffer allowed for): the
    run, still open, after exit code 0, with `preview`, the window's picture just before the end."""
    run = harness.Vrinx(args, [switch, str(fps), str(width), str(height)], files=files, folder=folder, env=env)
    try:
        partial = run.file(name(fps, number) + ".partial")
        wanted = 140000 + frames * (8 + ((width * 3 + 3) & ~3) * height + 8 + RATE * 4 // fps + 2) + 1048576

        def grown():
            check(run.process.poll() is None, "the recording ended early with exit code %r" % run.process.returncode)
            check(os.path.exists(partial) and os.path.getsize(partial) >= wanted, "%s: %d frames" % (partial, frames))

        harness.eventually(grown, harness.STARTUP_SECONDS, 0.1)
        run.preview = run.screenshot()
        run.do("close") if end == "close" else run.key("Escape")
        run.expect_exit(0, "%s at %d fps" % (end, fps))
        return run
    except BaseException:
        run.__exit__()
        raise


def check_recording(path, fps, width, height, reference, song, music=True):
    """The finished file: frame k equals demo frame floor(k x 70 / F) where the reference has
    it; the sound is the tune (or silence) up to the last video frame. Returns the frames."""
    frames, video, size = video_frames(path), ffmpeg(path, VIDEO), width * height * 3
    check(len(video) == frames * size, "%s: %d video bytes for %d frames" % (path, len(video), frames))
    compared = [k for k in range(frames) if k * 70 // fps in reference]
    for k in compared:
        check(video[k * size:(k + 1) * size] == reference[k * 70 // fps], "%s: frame %d is not demo frame %d"
              % (path, k, k * 70 // fps))
    check(len(compared) >= DEMO_FRAMES * fps // 70, "%s: only %d frames compared" % (path, len(compared)))
    audio, want = ffmpeg(path, AUDIO), RATE * frames // fps * 4
    check(len(audio) == want, "%s: %d audio bytes, expected %d" % (path, len(audio), want))
    check(audio == (song[:want] if music else bytes(want)), "%s: the sound differs" % path)
    return video


def record_short(args):
    """Recordings ended with Escape at 70 fps and by closing the window at 35 fps (silent) equal
    the native composition, and the window previews a recorded frame 1:1; no wave device is
    opened, whatever the sound switch; "/RECORD 60 320 200" passes a leftover ".partial"; a size
    limit keeps every byte written."""
    song, size = song_pcm(), 320 * 240 * 3
    reference = demo_frames(range(DEMO_FRAMES), 320, 240, 1)
    with record(args, 70, 320, 240, DEMO_FRAMES, {"Vrinx.ini": ini()}) as run:
        check(run.files() == sorted([name(70), "Vrinx.exe", "Vrinx.ini"]), "files: %s" % run.files())
        check("audio output: silent" in run.events(), "events %r" % run.events()[:8])
        video70 = check_recording(run.file(name(70)), 70, 320, 240, reference, song)
        file70 = harness.read(run.file(name(70)))
        # The system, not the display, kept awake until the file was finished (at shutdown).
        states = [e.split(",")[0][16:] for e in run.events() if e.startswith("execution state ")]
        check(states == ["80000001", "80000000"], "execution states %r" % states)
        shown = run.preview.data
        check((run.preview.width, run.preview.height) == (320, 240), "preview %dx%d" % (run.preview.width,
                                                                                   run.preview.height))
        check(any(video70[k:k + size:3] == shown[2::3] and video70[k + 1:k + size:3] == shown[1::3]
                  and video70[k + 2:k + size:3] == shown[0::3] for k in range(0, len(video70), size)),
              "the window's preview is none of the recorded frames")
    with record(args, 35, 320, 240, DEMO_FRAMES // 2, {"Vrinx.ini": ini(music=0)}, end="close") as run:
        check_recording(run.file(name(35)), 35, 320, 240, reference, song, music=False)

    # The picture 1:1 (AspectRatio4x3 off); the first name is taken by a leftover.
    leftover = b"a leftover of an earlier recording\n" * 1000
    files = {"Vrinx.ini": ini(aspect=0), name(60) + ".partial": leftover}
    with record(args, 60, 320, 200, DEMO_FRAMES * 60 // 70, files, number=1, switch="/RECORD") as run:
        check_recording(run.file(name(60, 1)), 60, 320, 200, demo_frames(range(DEMO_FRAMES), 320, 200, 0), song)
        check(harness.read(run.file(name(60) + ".partial")) == leftover, "the leftover .partial file was changed")
        check(run.files() == sorted([name(60) + ".partial", name(60, 1), "Vrinx.exe", "Vrinx.ini"]),
              "files: %s" % run.files())

    # The file may grow to 3 MB (about 12 frames at 320 x 240); the next write fails.
    limit = 3 * 1048576

    def limit_file_size():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

    with harness.Vrinx(args, ["/record", "70", "320", "240"], files={"Vrinx.ini": ini()},
                       preexec_fn=limit_file_size) as run:
        run.expect_message("Vrinx recording", FAILURE)
        run.expect_exit(1, "the write failure")
        check(not os.path.exists(run.file(name(70))), "a failed recording has its final name")
        partial = harness.read(run.file(name(70) + ".partial"))
        # Everything from the first chunk of the movi list up to the limit is as written.
        start = file70.index(b"movi") + 4
        check(len(partial) == limit, "the partial file holds %d bytes" % len(partial))
        check(partial[start:] == file70[start:limit], "the partial file's frames differ")


def record_show(args):
    """The whole show at 5 fps: T + 5 x F frames (T = ceil(N x F / R) for the tune's N frames), the
    tune then silence, the prompt's tail; again with the CPU busy, the very same bytes."""
    fps, size = 5, 320 * 200 * 3
    song = song_pcm()
    t = (len(song) // 4 * fps + RATE - 1) // RATE
    total = t + 5 * fps
    audio_bytes = RATE * total // fps * 4
    with tempfile.TemporaryDirectory(prefix="vrinx-e2e-show-") as folder:
        with open(os.path.join(folder, "Vrinx.ini"), "wb") as f:
            f.write(ini(aspect=0))

        def record_once(number):
            with harness.Vrinx(args, ["/record", str(fps), "320", "200"], folder=folder) as run:
                run.expect_exit(0, "the whole show", 600)
            return harness.read(os.path.join(folder, name(fps, number)))

        first = record_once(0)
        with busy_cpu():
            second = record_once(1)
        check(first == second, "the second recording differs from the first")
        check(sorted(os.listdir(folder)) == sorted([name(fps), name(fps, 1), "Vrinx.exe", "Vrinx.ini"]),
              "files: %s" % os.listdir(folder))
        path = os.path.join(folder, name(fps))
        frames = video_frames(path)
        check(frames == total, "ffprobe: %d video frames, expected T + 5 x F = %d + %d" % (frames, t, 5 * fps))
        video, audio = ffmpeg(path, VIDEO), ffmpeg(path, AUDIO)
        check(len(video) == total * size, "ffmpeg: %d video bytes" % len(video))
        check(len(audio) == audio_bytes, "ffmpeg: %d audio bytes, expected %d" % (len(audio), audio_bytes))
        check(audio == song + bytes(audio_bytes - len(song)), "ffmpeg: the sound is not tune + silence")
        check(gstreamer_streams(path) == (video, audio), "GStreamer's streams differ from ffmpeg's")

    spots = [0, 1, t // 3, t // 2, 2 * t // 3, t - 2, t - 1]
    reference = demo_frames([k * 70 // fps for k in spots], 320, 200, 0)
    for k in spots:
        check(video[k * size:(k + 1) * size] == reference[k * 70 // fps], "frame %d is not demo frame %d"
              % (k, k * 70 // fps))
    tail = [video[k * size:(k + 1) * size] for k in range(t, total)]
    for i, frame in enumerate(tail):
        colours = {frame[j:j + 3] for j in range(0, size, 3)}
        check(colours == {bytes(3), bytes([170] * 3)}, "tail frame %d has colours %s" % (i, sorted(colours)[:6]))
    # 200 ms a frame: the cursor shows for frames 0-2 (0-400 ms), hides for 3-4 (600-800 ms).
    check(tail[0] == tail[1] == tail[2] != tail[3] == tail[4] and tail[5] == tail[0],
          "the tail does not blink the cursor every 500 ms")


def record_crt(args):
    """The recorded picture goes through the CRT pass on the CPU. At the default settings each frame
    equals the native CRT composition of its demo frame. With persistence on as well (its decay runs
    on the recorder clock), recordings on 1, 2 (the CPU kept busy) and 8 threads hold the same bytes."""
    frames, size = 60, 320 * 240 * 3
    with tempfile.TemporaryDirectory(prefix="vrinx-e2e-crt-") as folder:
        with record(args, 70, 320, 240, frames, folder=folder):
            video = ffmpeg(os.path.join(folder, name(70)), VIDEO)
    check(len(video) >= frames * size, "only %d frames recorded" % (len(video) // size))
    reference = demo_frames(range(0, frames, 5), 320, 240)
    for k, picture in reference.items():
        check(video[k * size:(k + 1) * size] == picture, "frame %d is not the CRT composition of demo frame %d"
              % (k, k))
    last = max(reference) * size  # the show fades in over its first frames
    colours = len({video[j:j + 3] for j in range(last, last + size, 3)})
    check(colours > 1000, "frame %d has only %d colours" % (max(reference), colours))

    recordings = []
    with tempfile.TemporaryDirectory(prefix="vrinx-e2e-crt-") as folder:
        for number, (threads, busy) in enumerate([(1, 0), (2, 2), (8, 0)]):
            with busy_cpu(busy), record(args, 70, 320, 240, frames, {"Vrinx.ini": b"[CRT]\r\nPersistence=1\r\n"},
                                        folder, number, env={"VRINX_TEST_CRT_THREADS": str(threads)}):
                recordings.append(ffmpeg(os.path.join(folder, name(70, number)), VIDEO))
    recorded = min(map(len, recordings)) // size
    check(recorded >= frames, "only %d frames recorded" % recorded)
    check(all(r[:recorded * size] == recordings[0][:recorded * size] for r in recordings),
          "recordings on 1, 2 and 8 threads differ")
    different = sum(recordings[0][k * size:(k + 1) * size] != video[k * size:(k + 1) * size] for k in range(frames))
    # The opening is mostly still, where the held picture never outshines the new one: 7 frames differ.
    check(different > 0, "persistence changed none of the %d frames" % frames)


def record_tail_escape(args):
    """Escape while the recording's DOS prompt tail is written ends it there: exit code 0, the file
    under its final name with the whole tune (T frames) and less than the 5 s tail. The program is
    held (SIGSTOP) as soon as the tail begins, so that the key lands in it on any machine."""
    fps = 10
    t = (len(song_pcm()) // 4 * fps + RATE - 1) // RATE
    for attempt in range(3):
        with harness.Vrinx(args, ["/record", str(fps), "16", "16"], files={"Vrinx.ini": ini()}) as run:
            harness.eventually(lambda: check("interlude started" in run.events(), "no tail"), 300, 0.005)
            os.killpg(run.process.pid, signal.SIGSTOP)
            run.key("Escape")
            os.killpg(run.process.pid, signal.SIGCONT)
            run.expect_exit(0, "Escape in the tail")
            frames = video_frames(run.file(name(fps)))
            if frames == t + 5 * fps:
                continue  # the tail was over before the program was held: no verdict, again
            check(t <= frames < t + 5 * fps, "%d frames after Escape in the tail, T = %d" % (frames, t))
            audio = len(ffmpeg(run.file(name(fps)), AUDIO))
            check(audio == RATE * frames // fps * 4, "%d audio bytes for %d frames" % (audio, frames))
            print("Escape in the tail: %d of its %d frames written" % (frames - t, 5 * fps))
            return
    check(False, "the tail was over each time before the program could be held")


if __name__ == "__main__":
    harness.main({"record_short": record_short, "record_show": record_show, "record_crt": record_crt,
                  "record_tail_escape": record_tail_escape})
