#!/usr/bin/env bash
# Fails when a library folder includes a header of a folder above it. Layers, lowest first; a
# folder may include its own layer and those below it. The browser-extension handler may include
# nothing of ours but TarvoBase.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(TarvoBase TarvoClient TarvoCore Platform TarvoCompanion)

rank() {
  local i
  for i in "${!layers[@]}"; do
    if [ "${layers[$i]}" = "$1" ]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

highestAllowed() {
  case "$1" in
    TarvoSafari) echo 0 ;;
    *) rank "$1" ;;
  esac
}

status=0
for folder in "${layers[@]}" TarvoSafari; do
  [ -d "$folder" ] || continue
  allowed=$(highestAllowed "$folder")
  while IFS=: read -r file line directive; do
    included=${directive#*\"}
    included=${included%%/*}
    if [ "$(rank "$included")" -gt "$allowed" ]; then
      echo "$file:$line: $folder may not include $included ($directive)" >&2
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' '^#include "' "$folder" || true)
done
exit "$status"
