#!/usr/bin/env bash
# Configures and builds the companion into a build folder.
# Usage: tools/build.sh [plain|sanitize] [targets...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-plain}"
shift || true

case "$flavour" in
  plain)    dir="$root/build";          opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir="$root/build-sanitize"; opts=(-DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON) ;;
  *) echo "unknown build flavour: $flavour" >&2; exit 2 ;;
esac

# CI builds treat warnings as errors; a developer's build only shows them.
if [ "${CI:-}" = "true" ]; then
  opts+=(-DTARVO_WERROR=ON)
else
  opts+=(-DTARVO_WERROR=OFF)
fi

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$dir" -G Ninja "${opts[@]}" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$dir" --target "$@"
else
  cmake --build "$dir"
fi
