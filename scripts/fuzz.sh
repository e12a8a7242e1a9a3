#!/usr/bin/env bash
# Builds every libFuzzer target with clang (ASan + UBSan) into build/fuzz and runs
# each for a bounded time. FUZZ_SECONDS overrides the time per target, FUZZ_OUT the
# output folder. To add a target, append a line to TARGETS:
#   name | sources | seed generator sources (optional)
# A source that names a folder stands for all its portable .cpp files (not *_win32.cpp).
# The seed generator is built without the fuzzer and called with the seed folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${FUZZ_OUT:-build/fuzz}
seconds=${FUZZ_SECONDS:-60}

TARGETS=(
  "fuzz_module | tests/fuzz/fuzz_module.cpp tests/audio/module_checks.cpp audio | tests/fuzz/fuzz_module_seeds.cpp tests/audio/module_writers.cpp"
  "fuzz_config | tests/fuzz/fuzz_config.cpp shell/config.cpp |"
  "fuzz_record_args | tests/fuzz/fuzz_record_args.cpp record |"
  "fuzz_lzms | tests/fuzz/fuzz_lzms.cpp lzms | tests/fuzz/fuzz_lzms_seeds.cpp tests/lzms/lzms_inputs.cpp lzms"
)

cxxflags=(-std=c++17 -O1 -g -fno-exceptions -fno-rtti -I"$root")
sanitize=(-fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)

expand() {
  local token
  for token in $1; do
    if [[ -d $token ]]; then
      find "$token" -maxdepth 1 -name '*.cpp' ! -name '*_win32.cpp' | sort
    else
      echo "$token"
    fi
  done
}

mkdir -p "$out"
for entry in "${TARGETS[@]}"; do
  IFS='|' read -r name sources seeds <<<"$entry"
  name=$(echo $name)
  echo "-- $name"
  mapfile -t files < <(expand "$sources")
  clang++ "${cxxflags[@]}" "${sanitize[@]}" "${files[@]}" -o "$out/$name"
  corpus="$out/corpus/$name"
  mkdir -p "$corpus"
  if [[ -n "${seeds// /}" ]]; then
    mapfile -t seedFiles < <(expand "$seeds")
    clang++ "${cxxflags[@]}" "${seedFiles[@]}" -o "$out/${name}_seeds"
    "$out/${name}_seeds" "$corpus"
  fi
  # The run's chatter goes to a log; a finding prints its end and fails the script.
  log="$out/$name.log"
  # fuzz_module renders whole songs: the longest one accepted (ten minutes at its
  # rate) bounds the time and the memory that any input may take.
  limits=(-timeout=10 -rss_limit_mb=2048)
  [[ $name == fuzz_module ]] && limits=(-timeout=30 -rss_limit_mb=768 -malloc_limit_mb=256)
  if ! "$out/$name" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 \
      -artifact_prefix="$out/$name-" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$name: finding saved under $out/$name-*" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
