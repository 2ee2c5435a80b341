#!/usr/bin/env bash
# Installs every Debian package the companion's build, tests and benchmarks need.
# Does nothing when all of them are present already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcurl4-openssl-dev nlohmann-json3-dev libsqlite3-dev libssl-dev libicu-dev libfmt-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  sqlite3 curl clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "tarvo setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
