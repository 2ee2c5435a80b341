#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a while.
# Usage: fuzz/run.sh [seconds per target, default 30]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
dir="$root/build-fuzz"

bash "$root/tools/setup.sh"
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
cmake -S "$root/fuzz" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVO_WERROR="$werror" >/dev/null
cmake --build "$dir"

# Runs one target from its seed corpus; further arguments go to libFuzzer.
run() {
  local name="$1"
  shift
  local corpus="$dir/corpus/$name"
  mkdir -p "$corpus"
  cp -n "$root/fuzz/corpus/$name"/* "$corpus"/ 2>/dev/null || true
  echo "== ${name}_fuzzer, $seconds s"
  "$dir/${name}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$@" "$corpus" 2>&1 | tail -n 12
}

run typed_stream
run operator_step -dict="$root/fuzz/operator_step.dict"
run press_writer
run snapshot_resolve
