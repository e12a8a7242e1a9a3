#!/usr/bin/env bash
# Runs the demo under Wine on the user's display when there is one. Without a display it
# records the whole show headless under Xvfb into build/recording/ and makes a small
# H.264 copy of the recording with ffmpeg.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/win/Vrinx.exe"
winctl="$root/build/win/tests/e2e/winctl.exe"
reference="$root/build/native/tests/record/record_reference"
image="$root/build/native/assets/asset_image.bin"
[[ -f "$exe" ]] || { echo "run: build first (bash scripts/build.sh)" >&2; exit 1; }

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  WINEDEBUG=-all exec wine "$exe" "$@"
fi

# 320 x 240 is the show's own width at the 4:3 shape its 200 lines were made for; 35 frames
# per second keeps every second of its 70 frames, which halves the time and the disk
# (about 1.3 GB for the 2 min 38 s) against a full-rate recording.
fps=35 width=320 height=240
rate=44100
out="$root/build/recording"
mkdir -p "$out"
cp "$exe" "$out/Vrinx.exe"
# The CRT effects run on the CPU here (llvmpipe), at about a tenth of real time: off unless
# build/recording/Vrinx.ini says otherwise.
if [[ ! -f "$out/Vrinx.ini" ]]; then
  printf '[CRT]\r\n' >"$out/Vrinx.ini"
  for e in Scanlines Distortion Glow RGBMask Persistence ChromaticSeparation ColorBleeding Bloom; do
    printf '%s=0\r\n' "$e" >>"$out/Vrinx.ini"
  done
fi
song=$("$reference" "$image" length)
total=$(((song * fps + rate - 1) / rate + 5 * fps))
# Header bytes up to the first chunk, then per frame a video and an audio chunk.
header=131732
per_frame=$((16 + (width * 3 + 3) / 4 * 4 * height + rate * 4 / fps))

source "$root/scripts/wine_session.sh"
wine_session_start
marker="$out/.started"
touch "$marker"
echo "run: recording the whole show at $width x $height, $fps frames/s ($total frames) into $out"
wine "$out/Vrinx.exe" /record "$fps" "$width" "$height" &
pid=$!
start=$SECONDS stalled=0 last=-1 partial=""
while kill -0 "$pid" 2>/dev/null; do
  sleep 1
  [[ -n "$partial" ]] || partial=$(find "$out" -maxdepth 1 -name "Vrinx-record-$fps*.avi.partial" -newer "$marker" | head -n 1)
  [[ -n "$partial" && -f "$partial" ]] || continue
  size=$(stat -c %s "$partial")
  done_frames=$(((size > header ? size - header : 0) / per_frame))
  ((done_frames > total)) && done_frames=$total
  elapsed=$((SECONDS - start))
  left=$((done_frames > 0 ? elapsed * (total - done_frames) / done_frames : 0))
  printf '\rrun: frame %d of %d (%d%%), about %d:%02d left ' "$done_frames" "$total" \
    $((100 * done_frames / total)) $((left / 60)) $((left % 60))
  # A failed recording waits behind its message box: show it, answer it.
  if ((size == last)); then
    if ((++stalled >= 10)); then
      wine "$winctl" message "Vrinx recording" 1 | tr -d '\r' >&2 || true
      stalled=0
    fi
  else
    stalled=0 last=$size
  fi
done
echo
rm -f "$marker"
if ! wait "$pid"; then
  echo "run: the recording failed; what was written is kept in ${partial:-$out}" >&2
  exit 1
fi
seconds=$((SECONDS - start))
avi=${partial%.partial}
mp4=${avi%.avi}.mp4
echo "run: compressing a copy with ffmpeg (H.264 and AAC)"
ffmpeg -v error -y -i "$avi" -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k "$mp4"
echo "run: recording ($(du -h "$avi" | cut -f1), made in $seconds s): $avi"
echo "run: compressed copy: $mp4 ($(du -h "$mp4" | cut -f1))"
