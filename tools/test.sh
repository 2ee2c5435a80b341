#!/usr/bin/env bash
# Builds everything and runs every test, or only the tests whose names match a pattern.
# Usage: tools/test.sh [plain|sanitize] [PATTERN]
#   tools/test.sh plain RelayReportOutbox    the tests whose ctest name matches RelayReportOutbox
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-plain}"
pattern="${2:-}"
bash "$root/tools/build.sh" "$flavour"
case "$flavour" in
  plain)    dir="$root/build" ;;
  sanitize) dir="$root/build-sanitize" ;;
esac
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ -n "$pattern" ]; then
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -R "$pattern" --no-tests=error
  exit
fi
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"

# File permissions do not bind the superuser, so as root the tests that need them skip; they run
# again here as a throwaway user that owns nothing, from a copy of the binary it can reach.
if [ "$(id -u)" -eq 0 ]; then
  bash "$root/tools/run-unprivileged.sh" "$dir/tests/TarvoBase/tarvo_base_tests" \
    'FileSettingsStore.AFileThatCannotBeKeptAsideIsNeverOverwritten'
  bash "$root/tools/run-unprivileged.sh" "$dir/tests/Platform/tarvo_platform_tests" \
    'MacFileOperatorListing.AFolderTheSystemRefusesNamesWhatToAllow'
fi
