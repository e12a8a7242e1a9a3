#!/usr/bin/env bash
# Writes demo frame N as the recorder shows it at WIDTH x HEIGHT through the CRT pass at
# the program's default settings, as a PNG: the demo engine's frame (record_reference),
# composed by crt_compose_reference (the CPU reference standing in for the GPU), converted
# by ffmpeg. The README's picture is `bash scripts/crt_frame.sh 2400 640 480 OUT.png`.
#   bash scripts/crt_frame.sh N WIDTH HEIGHT OUT.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native="$root/build/native"
[[ $# == 4 ]] || { echo "usage: crt_frame.sh N WIDTH HEIGHT OUT.png" >&2; exit 2; }
[[ -x "$native/tests/gpu/crt_compose_reference" ]] || { echo "crt_frame: build first" >&2; exit 1; }
work=$(mktemp -d /tmp/vrinx-crt-frame.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$native/tests/record/record_reference" "$native/assets/asset_image.bin" frames "$1" "$work/frame"
frame="$work/frame$(printf %05d "$1")"
"$native/tests/gpu/crt_compose_reference" "$frame" "$2" "$3" "$work/picture" >/dev/null
ffmpeg -v error -y -f rawvideo -pix_fmt bgr0 -s "$2x$3" -i "$work/picture" -frames:v 1 "$4"
