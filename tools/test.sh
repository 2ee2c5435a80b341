#!/usr/bin/env bash
# Builds everything and runs every test. Usage: tools/test.sh [plain|sanitize]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-plain}"
bash "$root/tools/build.sh" "$flavour"
case "$flavour" in
  plain)    dir="$root/build" ;;
  sanitize) dir="$root/build-sanitize" ;;
esac
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
