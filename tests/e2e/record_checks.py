"""Checks of the recordings that Vrinx.exe writes: read back by ffprobe/ffmpeg and by
GStreamer's AVI demuxer, and compared with what the native build computes (the pre-rendered
tune, the demo frames composed as the painter composes them)."""
import os
import subprocess
import tempfile
import time

import harness

RATE = 44100
TITLE = "Vrinx recording"
USAGE = ("Usage: Vrinx.exe /record <fps> <width> <height>\nExample: /record 70 640 480\n"
         "FPS: 1-240. Width and height: 16-8192 pixels.\n")
FAILURE = ("Recording failed (file write, rendering, or size limit).\n"
           "Any partial output has been kept with a .partial suffix.\n")
FILTERS = ("Scanlines", "Distortion", "Glow", "RGBMask", "Persistence", "ChromaticSeparation",
           "ColorBleeding", "Bloom")


def ini(music=1, aspect=1):
    """A configuration with every CRT effect off: the frames are the plain composition."""
    lines = ["[CRT]", "Music=%d" % music, "AspectRatio4x3=%d" % aspect] + ["%s=0" % f for f in FILTERS]
    return ("\r\n".join(lines) + "\r\n").encode()


def name(fps, number=0):
    return "Vrinx-record-%d.avi" % fps if number == 0 else "Vrinx-record-%d-%03d.avi" % (fps, number)


def stride(width):
    return (width * 3 + 3) & ~3


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "flat", path],
                         capture_output=True, check=True, timeout=600).stdout.decode()
    values = {}
    for line in out.splitlines():
        key, _, value = line.partition("=")
        values[key] = value.strip('"')
    return values


def ffmpeg_video(path):
    """Every video frame, top row first, 3 bytes per pixel (blue, green, red)."""
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-f", "rawvideo",
                           "-pix_fmt", "bgr24", "-"], capture_output=True, check=True, timeout=600).stdout


def ffmpeg_audio(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "s16le", "-"],
                          capture_output=True, check=True, timeout=600).stdout


def gstreamer_streams(path):
    """(video, audio) as GStreamer's avidemux hands them out: the video as top-down rows of
    blue, green, red (each padded to 4 bytes), the sound as 16-bit stereo."""
    with tempfile.TemporaryDirectory(prefix="vrinx-gst-") as folder:
        video, audio = os.path.join(folder, "video"), os.path.join(folder, "audio")
        subprocess.run(["gst-launch-1.0", "-q", "filesrc", "location=" + path, "!", "avidemux", "name=d",
                        "d.video_0", "!", "queue", "!", "filesink", "location=" + video,
                        "d.audio_0", "!", "queue", "!", "filesink", "location=" + audio],
                       capture_output=True, check=True, timeout=600)
        with open(video, "rb") as v, open(audio, "rb") as a:
            return v.read(), a.read()


def song_pcm():
    with tempfile.TemporaryDirectory(prefix="vrinx-ref-") as folder:
        out = os.path.join(folder, "song")
        subprocess.run([os.environ["VRINX_RECORD_REFERENCE"], os.environ["VRINX_ASSET_IMAGE"], "pcm", out],
                       check=True, timeout=300)
        with open(out, "rb") as f:
            return f.read()


def demo_frames(numbers, width, height, aspect):
    """{n: demo frame n} composed at width x height as the painter composes it, as top-down
    rows of blue, green, red."""
    frames = {}
    numbers = sorted(set(numbers))
    with tempfile.TemporaryDirectory(prefix="vrinx-ref-") as folder:
        prefix = os.path.join(folder, "frame")
        subprocess.run([os.environ["VRINX_RECORD_REFERENCE"], os.environ["VRINX_ASSET_IMAGE"], "frames",
                        ",".join(map(str, numbers)), prefix], check=True, timeout=300)
        composed = os.path.join(folder, "composed")
        for n in numbers:
            subprocess.run([os.environ["VRINX_COMPOSE_REFERENCE"], "%s%05d" % (prefix, n), str(width), str(height),
                            "0", "0", str(aspect), composed], check=True, capture_output=True, timeout=60)
            with open(composed, "rb") as f:
                pixels = f.read()
            frames[n] = b"".join(pixels[i:i + 3] for i in range(0, len(pixels), 4))
    return frames


def song_video_frames(song_frames, fps):
    """T: the video frames that cover the song, ceil(N x F / R)."""
    return (song_frames * fps + RATE - 1) // RATE


def wait_for_frames(run, partial, frames, width, height, fps, seconds=harness.STARTUP_SECONDS):
    """Waits until the ".partial" file holds at least `frames` video frames (judged by its
    size, with the 1 MiB stream buffer allowed for)."""
    per_frame = 8 + stride(width) * height + 8 + (RATE * 4 // fps + 2)
    wanted = 140000 + frames * per_frame + 1048576
    deadline = time.time() + seconds
    while time.time() < deadline:
        if run.process.poll() is not None:
            raise AssertionError("the recording ended early with exit code %r" % run.process.returncode)
        if os.path.exists(partial) and os.path.getsize(partial) >= wanted:
            return
        time.sleep(0.1)
    raise AssertionError("%s did not reach %d frames" % (partial, frames))
