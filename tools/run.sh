#!/usr/bin/env bash
# Builds and starts the companion.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh" plain tarvo-companion
exec "$root/build/TarvoCompanion/tarvo-companion" "$@"
