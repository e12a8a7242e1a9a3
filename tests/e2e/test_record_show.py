"""The whole show recorded (at 5 frames per second, 320 x 200, so that it stays cheap),
read back in full by ffprobe/ffmpeg and by GStreamer's AVI demuxer:
- T + 5 x F video frames and R x (T + 5 x F) / F audio frames, T = ceil(N x F / R) for the
  tune's N frames, the same in both readers;
- the sound is the pre-rendered tune followed by silence;
- video frame k shows demo frame floor(k x 70 / F) (spot checks across the show), and the
  five-second tail shows the DOS prompt with its blinking cursor;
- the same command line again, with the CPU kept busy meanwhile, writes "-001" with the
  very same bytes."""
import os
import shutil
import subprocess
import sys
import tempfile

import harness
import record_checks as rc

FPS, WIDTH, HEIGHT = 5, 320, 200
PROMPT_COLOURS = {bytes(3), bytes([170] * 3)}  # text-mode black and light grey


def record_whole(args, folder):
    with harness.Vrinx(args, ["/record", str(FPS), str(WIDTH), str(HEIGHT)], folder=folder) as run:
        code = run.wait_exit(600)
        harness.check(code == 0, "exit code %r after the whole show" % code)


def test(args):
    song = rc.song_pcm()
    song_frames = len(song) // 4
    t = rc.song_video_frames(song_frames, FPS)
    total = t + 5 * FPS
    audio_bytes = rc.RATE * total // FPS * 4
    size = WIDTH * HEIGHT * 3

    folder = tempfile.mkdtemp(prefix="vrinx-e2e-show-")
    try:
        with open(os.path.join(folder, "Vrinx.ini"), "wb") as f:
            f.write(rc.ini(aspect=0))
        record_whole(args, folder)
        path = os.path.join(folder, rc.name(FPS))
        harness.check(sorted(os.listdir(folder)) == sorted([rc.name(FPS), "Vrinx.exe", "Vrinx.ini"]),
                      "files: %s" % os.listdir(folder))

        info = rc.probe(path)
        harness.check(info["streams.stream.0.nb_read_frames"] == str(total),
                      "ffprobe: %s video frames, expected T + 5 x F = %d + %d" %
                      (info["streams.stream.0.nb_read_frames"], t, 5 * FPS))
        video = rc.ffmpeg_video(path)
        harness.check(len(video) == total * size, "ffmpeg: %d video bytes" % len(video))
        audio = rc.ffmpeg_audio(path)
        harness.check(len(audio) == audio_bytes, "ffmpeg: %d audio bytes, expected %d" % (len(audio), audio_bytes))
        harness.check(audio == song + bytes(audio_bytes - len(song)), "ffmpeg: the sound is not tune + silence")

        gst_video, gst_audio = rc.gstreamer_streams(path)
        harness.check(len(gst_video) == total * size, "GStreamer: %d video bytes" % len(gst_video))
        harness.check(gst_video == video, "GStreamer: the pictures differ from ffmpeg's")
        harness.check(gst_audio == audio, "GStreamer: the sound differs from ffmpeg's")

        spots = [0, 1, t // 3, t // 2, 2 * t // 3, t - 2, t - 1]
        reference = rc.demo_frames([k * 70 // FPS for k in spots], WIDTH, HEIGHT, 0)
        for k in spots:
            harness.check(video[k * size:(k + 1) * size] == reference[k * 70 // FPS],
                          "video frame %d is not demo frame %d" % (k, k * 70 // FPS))

        tail = [video[k * size:(k + 1) * size] for k in range(t, total)]
        for i, frame in enumerate(tail):
            colours = {frame[j:j + 3] for j in range(0, size, 3)}
            harness.check(colours == PROMPT_COLOURS, "tail frame %d has colours %s" % (i, sorted(colours)[:6]))
        # 200 ms a frame: the cursor shows for frames 0-2 (0-400 ms), hides for 3-4 (600-800 ms).
        harness.check(tail[0] == tail[1] == tail[2] != tail[3] == tail[4] and tail[5] == tail[0],
                      "the tail does not blink the cursor every 500 ms")

        busy = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
        try:
            record_whole(args, folder)
        finally:
            for p in busy:
                p.kill()
                p.wait()
        with open(path, "rb") as a, open(os.path.join(folder, rc.name(FPS, 1)), "rb") as b:
            harness.check(a.read() == b.read(), "the second recording differs from the first")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
