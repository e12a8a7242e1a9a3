#!/usr/bin/env bash
# Builds the native core (tools, tests, benches) and then Vrinx.exe, which embeds the
# assets that the native tools generate. Extra arguments go to the native configure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
cmake -S "$root" -B "$root/build/native" -G Ninja "$@" >/dev/null
cmake --build "$root/build/native" -j "$jobs"
cmake -S "$root" -B "$root/build/win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DVRINX_HOST_BUILD="$root/build/native" >/dev/null
cmake --build "$root/build/win" -j "$jobs"
echo "built: $root/build/win/Vrinx.exe"
