#!/usr/bin/env bash
# Recording speed of Vrinx.exe under Wine (figures, no pass/fail): for 320 x 240 and
# 640 x 480 at 35 frames/s (the headless run's rate), with the CRT effects off and at the
# program's defaults (on, through the CPU), the show seconds recorded per wall-clock second
# (a multiple of real time) and the bytes written per second, measured over SECONDS of
# wall-clock time from video frame 70 on (after start-up), or up to the end of the show when
# that comes first.
#   bash bench/record_bench.sh [SECONDS]          default: 20
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/win/Vrinx.exe"
winctl="$root/build/win/tests/e2e/winctl.exe"
[[ -f "$exe" ]] || { echo "record_bench: build first (bash scripts/build.sh)" >&2; exit 1; }
seconds=${1:-20} from=70
fps=35 rate=44100 header=131732
effects=(Scanlines Distortion Glow RGBMask Persistence ChromaticSeparation ColorBleeding Bloom)

source "$root/scripts/wine_session.sh"
wine_session_start
work=$(mktemp -d /tmp/vrinx-record-bench.XXXXXX)
trap 'rm -rf "$work"; wine_session_end' EXIT

now() { date +%s.%N; }

# Prints "speed bytes-per-second" for one recording.
measure() {
  local width=$1 height=$2 crt=$3
  rm -f "$work"/*
  cp "$exe" "$work/Vrinx.exe"
  if [[ $crt == 0 ]]; then
    { echo "[CRT]"; for e in "${effects[@]}"; do echo "$e=0"; done; } | sed 's/$/\r/' >"$work/Vrinx.ini"
  fi
  local per_frame=$((16 + (width * 3 + 3) / 4 * 4 * height + rate * 4 / fps))
  local partial="$work/Vrinx-record-$fps.avi.partial"
  (cd "$work" && exec wine Vrinx.exe /record "$fps" "$width" "$height") &
  local pid=$! t0="" s0=0 t1="" s1=0 size
  while kill -0 "$pid" 2>/dev/null; do
    size=$(stat -c %s "$partial" 2>/dev/null || echo 0)
    if [[ -z $t0 ]]; then
      ((size >= header + from * per_frame)) && t0=$(now) s0=$size s1=$size
    elif ((size > s1)); then
      # The last growth seen; a recording that ends early (the whole show) counts up to it.
      t1=$(now) s1=$size
      awk -v a="$t0" -v b="$t1" -v s="$seconds" 'BEGIN { exit !(b - a >= s) }' && break
    fi
    sleep 0.05
  done
  wine "$winctl" key 0x1B >/dev/null 2>&1 || true
  wait "$pid" || true
  if [[ -z $t1 ]]; then
    echo "failed"
    return
  fi
  awk -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" -v pf="$per_frame" -v fps="$fps" \
    'BEGIN { dt = t1 - t0; printf "%.2fx real time, %.1f MB/s", (s1 - s0) / pf / fps / dt, (s1 - s0) / dt / 1e6 }'
}

echo "record_bench: $seconds s from frame $from at $fps fps, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
for size in "320 240" "640 480"; do
  for crt in 0 1; do
    read -r w h <<<"$size"
    printf '%4d x %-4d CRT effects %-3s: %s\n' "$w" "$h" "$([[ $crt == 1 ]] && echo on || echo off)" \
      "$(measure "$w" "$h" "$crt")"
  done
done
