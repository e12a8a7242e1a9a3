#!/usr/bin/env bash
# Installs what the build and the tests need on Debian (run as root). Idempotent and
# quiet when everything is already there.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libwim-dev zlib1g-dev
          mingw-w64 wine wine64 xvfb xdotool x11-apps x11-utils x11-xserver-utils libgl1-mesa-dri imagemagick ffmpeg
          gstreamer1.0-tools gstreamer1.0-plugins-good python3 vkd3d-compiler mesa-vulkan-drivers)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
