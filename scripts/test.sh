#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests, the sanitizer build of the
# core, the bounded fuzz runs, the end-to-end tests of Vrinx.exe under Wine, and a second
# build of Vrinx.exe that must be the same bytes.
# The end-to-end cases mostly wait on Wine and on the program's frame pacing, so the
# sanitizer, fuzz and second builds run beside them (their output follows theirs).
# FUZZ_SECONDS sets the fuzzing time per target (here 15 s; scripts/fuzz.sh alone: 60 s).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
stage() { echo "== $1 (at ${SECONDS} s)"; }
bash scripts/setup.sh
stage "arrows between folders"
python3 scripts/check_layers.py
bash scripts/build.sh
jobs=$(nproc)

stage "unit tests"
ctest --test-dir build/native --output-on-failure -j "$jobs"

second_build() {
  stage "the same Vrinx.exe from a second build"
  cmake -S . -B build/win-again -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DVRINX_HOST_BUILD="$root/build/native" >/dev/null
  cmake --build build/win-again -j "$jobs" --target Vrinx
  cmp build/win/Vrinx.exe build/win-again/Vrinx.exe
  sha256sum build/win/Vrinx.exe build/win-again/Vrinx.exe
}

beside() {
  stage "unit tests under ASan/UBSan"
  # Unoptimised: g++ compiles much faster with both sanitizers than at -O2, and they find
  # no less there.
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVRINX_SANITIZE=ON >/dev/null
  cmake --build build/asan -j "$jobs"
  ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE slow

  # A fuzz target runs on one core: the second build takes the other.
  second_build >build/second.log 2>&1 &
  local second_pid=$! second=0 fuzz=0
  if [[ -x scripts/fuzz.sh ]]; then
    stage "fuzzing"
    FUZZ_SECONDS=${FUZZ_SECONDS:-15} bash scripts/fuzz.sh || fuzz=$?
  fi
  wait "$second_pid" || second=$?
  cat build/second.log
  ((fuzz == 0 && second == 0))
}
beside >build/beside.log 2>&1 &
beside_pid=$!

stage "end-to-end tests under Wine"
# Each case gets its own display and a copy of this session's prefix; most of a case's time
# is waiting, so more run side by side than there are cores.
source scripts/wine_session.sh
wine_session_start
e2e=0
ctest --test-dir build/win --output-on-failure -j "$((jobs * 2))" || e2e=$?
beside=0
wait "$beside_pid" || beside=$?
cat build/beside.log
stage "done"
((e2e == 0 && beside == 0))
