#!/usr/bin/env bash
# Fails when a library includes a header it may not, when an include climbs out of the folders by
# "..", or when a file lies outside its subsystem's folder. Each failing line names the file.
#
# Libraries, lowest first; a library may include its own layer and those below it. The design data
# may include nothing of ours but TarvoBase; the browser-extension handler likewise, and nothing
# may include it.
#
# Inside TarvoCore each subsystem has one folder, and the folders are layered the same way:
# Geometry and Ports at the bottom, then the companion's own values and log lines, then the
# Messages channel, then the relay bookkeeping (which reads the Messages database), then the panel
# and WhatsApp. The operator is a library of its own that links none of the core, so it may
# include only Geometry and the ports. No file lies loose in TarvoCore's root but its CMake file.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(TarvoBase TarvoDesign TarvoClient TarvoCore Platform TarvoCompanion)
coreFolders=(Geometry:0 Ports:0 Companion:1 Messages:2 Relay:3 Panel:4 WhatsApp:4 Operator:0)
companionFolders=(Arrivals Operator Ports Updates WhatsApp)

status=0
fail() {
  echo "$1" >&2
  status=1
}

declare -A layerRank coreRank
for i in "${!layers[@]}"; do layerRank[${layers[$i]}]=$i; done
for entry in "${coreFolders[@]}"; do coreRank[${entry%%:*}]=${entry#*:}; done

# The highest library a folder may include: its own, but for the handler, which takes TarvoBase
# only. TarvoDesign stands right above TarvoBase, so it may include only TarvoBase and itself.
highestAllowed() {
  case "$1" in
    TarvoSafari) echo "${layerRank[TarvoBase]}" ;;
    *) echo "${layerRank[$1]}" ;;
  esac
}

checkIncludes() {
  local folder=$1 allowed file line directive path included
  allowed=$(highestAllowed "$folder")
  while IFS=: read -r file line directive; do
    path=${directive#*\"}
    path=${path%%\"*}
    case "/$path/" in
      */../* | */./*)
        fail "$file:$line: an include climbs by \"..\"; name the header from the top of the tree ($directive)"
        continue ;;
    esac
    included=${path%%/*}
    if [ "$included" = TarvoSafari ] && [ "$folder" != TarvoSafari ]; then
      fail "$file:$line: nothing may include the browser-extension handler ($directive)"
    elif [ "${layerRank[$included]:--1}" -gt "$allowed" ]; then
      fail "$file:$line: $folder may not include $included ($directive)"
    elif [ "$folder" = TarvoCore ] && [ "$included" = TarvoCore ]; then
      checkCoreInclude "$file" "$line" "$directive" "$path"
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' '^#include "' "$folder" || true)
}

checkCoreInclude() {
  local file=$1 line=$2 directive=$3 path=$4 from to
  from=${file#TarvoCore/}
  from=${from%%/*}
  to=${path#TarvoCore/}
  to=${to%%/*}
  [ "$from" = "$to" ] && return
  if [ "$from" = Operator ]; then
    case "$to" in
      Geometry | Ports) ;;
      *) fail "$file:$line: the operator library links none of the core but its geometry and ports ($directive)" ;;
    esac
  elif [ "${coreRank[$to]:--1}" -gt "${coreRank[$from]:--1}" ]; then
    fail "$file:$line: TarvoCore/$from may not include TarvoCore/$to ($directive)"
  fi
}

# Where a file belongs, by the subsystem its name starts with.
homeFolderOf() {
  case "$1" in
    ChatDatabase* | MessagesSender* | MessageEvents*) echo Messages ;;
    Relay*) echo Relay ;;
    WhatsApp*) echo WhatsApp ;;
    Panel*) echo Panel ;;
    Operator*) echo Operator ;;
  esac
}

checkCorePlacement() {
  local file sub home
  while IFS= read -r file; do
    sub=${file#TarvoCore/}
    if [ "$sub" = "${sub#*/}" ]; then
      [ "$sub" = CMakeLists.txt ] || fail "$file: lies loose in TarvoCore; put it in its subsystem's folder"
      continue
    fi
    sub=${sub%%/*}
    if [ -z "${coreRank[$sub]:-}" ]; then
      fail "$file: TarvoCore/$sub is no subsystem folder (known: ${coreFolders[*]%%:*}); a new one is added here and in docs/architecture.md"
      continue
    fi
    home=$(homeFolderOf "${file##*/}")
    if [ -n "$home" ] && [ "$home" != "$sub" ]; then
      fail "$file: belongs in TarvoCore/$home"
    fi
  done < <(find TarvoCore -type f | sort)
}

checkCompanionPlacement() {
  local folder known
  while IFS= read -r folder; do
    for known in "${companionFolders[@]}"; do
      [ "TarvoCompanion/$known" = "$folder" ] && continue 2
    done
    fail "$folder: is no folder of TarvoCompanion (known: ${companionFolders[*]}); a new one is added here and in docs/architecture.md"
  done < <(find TarvoCompanion -mindepth 1 -maxdepth 1 -type d | sort)
}

for folder in "${layers[@]}" TarvoSafari; do
  [ -d "$folder" ] || continue
  checkIncludes "$folder"
done
checkCorePlacement
checkCompanionPlacement
exit "$status"
