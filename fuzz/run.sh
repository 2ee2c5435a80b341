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

corpus="$dir/corpus/typed_stream"
mkdir -p "$corpus"
cp -n "$root"/fuzz/corpus/typed_stream/* "$corpus"/ 2>/dev/null || true
"$dir/typed_stream_fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
