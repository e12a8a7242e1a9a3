#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests, the sanitizer build of the
# core, the bounded fuzz runs, and the end-to-end tests of Vrinx.exe under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
echo "== arrows between folders"
python3 scripts/check_layers.py
bash scripts/build.sh
jobs=$(nproc)

echo "== unit tests"
ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== unit tests under ASan/UBSan"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRINX_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE slow

if [[ -x scripts/fuzz.sh ]]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh
fi

echo "== end-to-end tests under Wine"
# Each case gets its own display and a copy of this session's prefix; most of a case's time
# is Wine starting and the program pacing frames, so more run side by side than there are cores.
source scripts/wine_session.sh
wine_session_start
ctest --test-dir build/win --output-on-failure -j "$((jobs * 2))"
