#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a while.
# Usage: fuzz/run.sh [seconds per target, default 30] [target names, default all]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
shift || true
dir="$root/build-fuzz"

bash "$root/tools/setup.sh"
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
cmake -S "$root/fuzz" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVO_WERROR="$werror" >/dev/null
cmake --build "$dir"
mkdir -p "$dir/artifacts"

# Runs one target from its seed corpus (fuzz/corpus/NAME) and its dictionary (fuzz/NAME.dict)
# when it has one. A fault stops the script, its input kept in build-fuzz/artifacts.
run() {
  local name="$1"
  if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " =~ " $name " ]]; then return; fi
  local corpus="$dir/corpus/$name"
  local log="$dir/$name.log"
  local options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$dir/artifacts/$name-")
  if [ -f "$root/fuzz/$name.dict" ]; then options+=(-dict="$root/fuzz/$name.dict"); fi
  mkdir -p "$corpus"
  cp -n "$root/fuzz/corpus/$name"/* "$corpus"/ 2>/dev/null || true
  echo "== ${name}_fuzzer, $seconds s"
  if "$dir/${name}_fuzzer" "${options[@]}" "$corpus" >"$log" 2>&1; then
    tail -n 12 "$log"
  else
    tail -n 60 "$log"
    echo "== ${name}_fuzzer found a fault; the input is in $dir/artifacts, the whole output in $log"
    exit 1
  fi
}
only=("$@")

# One line per target.
run typed_stream
run operator_step
run press_writer
run snapshot_resolve
run service_answer
run json_value
run cookie
run vcard
run stored_file
run page_answer
run devtools_framing
run native_messaging
run endpoint_path
run document_text
run document_reader
