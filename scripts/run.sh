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

# 640 x 480: the 4:3 shape the show's 200 lines were made for, wide enough for the DOS
# prompt's 80 columns, with the program's own CRT settings (their passes run on the CPU while
# recording). 35 frames per second keeps every second of its 70 frames and halves the time and
# the disk against a full-rate recording.
fps=35 width=640 height=480
rate=44100
out="$root/build/recording"
song=$("$reference" "$image" length)
total=$(((song * fps + rate - 1) / rate + 5 * fps))
# Header bytes up to the first chunk, then per frame a video and an audio chunk.
header=131732
per_frame=$((16 + (width * 3 + 3) / 4 * 4 * height + rate * 4 / fps))
# The AVI, its index (16 bytes a chunk) and the compressed copy (well under a tenth of it).
avi_bytes=$((header + total * (per_frame + 32)))
need=$((avi_bytes + avi_bytes / 10))
place=$out
while [[ ! -d "$place" ]]; do place=$(dirname "$place"); done
free=$(df --output=avail -B1 "$place" | tail -n 1 | tr -d ' ')
gb() { awk -v b="$1" 'BEGIN { printf "%.1f GB", b / 1e9 }'; }
if ((free < need)); then
  echo "run: recording the show at $width x $height needs about $(gb "$need") free in $out" \
    "(the uncompressed AVI, $(gb "$avi_bytes"), and its compressed copy); only $(gb "$free") are free" \
    "there. Free some space (earlier recordings in $out, say) and run again." >&2
  exit 1
fi
mkdir -p "$out"
cp "$exe" "$out/Vrinx.exe"
# An earlier version of this script switched the CRT effects off with this file: drop it.
old_ini=$(printf '[CRT]\r\n'; for e in Scanlines Distortion Glow RGBMask Persistence ChromaticSeparation \
  ColorBleeding Bloom; do printf '%s=0\r\n' "$e"; done)
if [[ -f "$out/Vrinx.ini" && "$(cat "$out/Vrinx.ini")" == "$old_ini" ]]; then rm -f "$out/Vrinx.ini"; fi

source "$root/scripts/wine_session.sh"
wine_session_start
marker="$out/.started"
touch "$marker"
echo "run: recording the whole show at $width x $height, $fps frames/s ($total frames, about" \
  "$(gb "$avi_bytes")) into $out"
wine "$out/Vrinx.exe" /record "$fps" "$width" "$height" &
pid=$!
start=$SECONDS stalled=0 last=-1 partial="" size=0
# Stops the program after a message box or a long stall and ends the run with code 1.
give_up() {
  echo
  echo "run: $1" >&2
  rm -f "$marker"
  for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
  kill "$pid" 2>/dev/null || true
  echo "run: the recording did not finish${partial:+; what was written is kept in $partial}" >&2
  exit 1
}
while kill -0 "$pid" 2>/dev/null; do
  sleep 1
  [[ -n "$partial" ]] || partial=$(find "$out" -maxdepth 1 -name "Vrinx-record-$fps*.avi.partial" -newer "$marker" | head -n 1)
  [[ -n "$partial" && -f "$partial" ]] && size=$(stat -c %s "$partial")
  if ((size != last)); then
    stalled=0 last=$size
  elif ((++stalled % 3 == 0)); then
    # Nothing written for 3 s: the program may be waiting behind a message box (an error at
    # start-up or a failed recording). Any box ends the run with its text.
    if box=$(wine "$winctl" box 1 2>/dev/null | tr -d '\r') && [[ -n "$box" ]]; then
      text=$(echo "$box" | tail -n +2 | tr '\n' ' ')
      give_up "Vrinx.exe showed a message box: $(echo "$box" | head -n 1): $text"
    fi
    ((stalled < 120)) || give_up "nothing was written for 2 minutes and no message box is shown"
  fi
  [[ -n "$partial" ]] || continue
  done_frames=$(((size > header ? size - header : 0) / per_frame))
  ((done_frames > total)) && done_frames=$total
  elapsed=$((SECONDS - start))
  left=$((done_frames > 0 ? elapsed * (total - done_frames) / done_frames : 0))
  printf '\rrun: frame %d of %d (%d%%), about %d:%02d left ' "$done_frames" "$total" \
    $((100 * done_frames / total)) $((left / 60)) $((left % 60))
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
