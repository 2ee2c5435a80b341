#!/usr/bin/env bash
# Runs the named tests of one test binary as a user id that exists nowhere, and fails unless each
# of them ran and passed (a skip fails too). Needs root. Usage: run-unprivileged.sh BINARY FILTER
set -euo pipefail
binary="$1"
filter="$2"
uid=64123

place="$(mktemp -d)"
trap 'rm -rf "$place"' EXIT
mkdir "$place/tmp"
cp "$binary" "$place/tests"
chmod 755 "$place" "$place/tests"
chown "$uid:$uid" "$place/tmp"

output="$(cd "$place" && TMPDIR="$place/tmp" setpriv --reuid="$uid" --regid="$uid" --clear-groups \
  ./tests --gtest_filter="$filter" 2>&1)" || {
  echo "$output"
  exit 1
}
wanted="$(cd "$place" && ./tests --gtest_list_tests --gtest_filter="$filter" | grep -c '^  ')"
if ! grep -q "^\[  PASSED  \] $wanted test" <<<"$output" || grep -q '^\[  SKIPPED \]' <<<"$output"; then
  echo "$output"
  echo "run-unprivileged: not every test of '$filter' ran and passed as uid $uid" >&2
  exit 1
fi
echo "run-unprivileged: $wanted test(s) of '$filter' passed as uid $uid"
