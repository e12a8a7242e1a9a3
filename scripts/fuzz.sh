#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (the CMake option VRINX_FUZZ:
# ASan and UBSan on the libraries too) in build/fuzz and runs each for a bounded time.
# FUZZ_SECONDS overrides the time per target, FUZZ_OUT the build and output folder.
# A target NAME with a seed writer NAME_seeds starts from the corpus that writes; the
# inputs it writes into the regression folder are replayed once, not mutated.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${FUZZ_OUT:-build/fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=(fuzz_module fuzz_config fuzz_record_args fuzz_lzms)
seeded=(fuzz_module_seeds fuzz_lzms_seeds)

CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRINX_FUZZ=ON \
  >/dev/null
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}" "${seeded[@]}"

for name in "${targets[@]}"; do
  echo "-- $name"
  bin="$out/tests/fuzz/$name"
  corpus="$out/corpus/$name"
  regress="$out/regress/$name"
  mkdir -p "$corpus" "$regress"
  [[ -x ${bin}_seeds ]] && "${bin}_seeds" "$corpus" "$regress"
  # The run's chatter goes to a log; a finding prints its end and fails the script.
  log="$out/$name.log"
  # fuzz_module renders whole songs: the longest one accepted (ten minutes at its
  # rate) bounds the time and the memory that any input may take.
  limits=(-timeout=10 -rss_limit_mb=2048)
  [[ $name == fuzz_module ]] && limits=(-timeout=30 -rss_limit_mb=768 -malloc_limit_mb=256)
  inputs=("$regress"/*)
  [[ -e ${inputs[0]} ]] || inputs=()
  for input in "${inputs[@]}"; do rm -f "$corpus/${input##*/}"; done  # kept out of the mutations
  if [[ ${#inputs[@]} -gt 0 ]] && ! "$bin" "${limits[@]}" -artifact_prefix="$out/$name-" "${inputs[@]}" \
      >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$name: a regression input fails, see $log" >&2
    exit 1
  fi
  [[ ${#inputs[@]} -gt 0 ]] && echo "regression inputs: ${#inputs[@]} passed"
  if ! "$bin" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 \
      -artifact_prefix="$out/$name-" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$name: finding saved under $out/$name-*" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
