#!/usr/bin/env bash
# Installs every Debian package the companion's build, tests and benchmarks need.
# Does nothing when all of them are present already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcurl4-openssl-dev nlohmann-json3-dev libsqlite3-dev libssl-dev libicu-dev libfmt-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  sqlite3 curl clang libclang-rt-14-dev
  libpoppler-cpp-dev libzip-dev libxml2-dev libplist-dev libwv-dev
  shared-mime-info xdg-utils dbus-bin
  libx11-dev libxext-dev libxrandr-dev libxss-dev libxtst-dev libxft-dev libfontconfig-dev fonts-dejavu-core
  libxfixes-dev libturbojpeg0-dev
  libsystemd-dev
  libatspi2.0-dev at-spi2-core libgtk-3-dev
  xvfb openbox dbus-daemon xclip
)

# Page scripts are tested in headless Chromium; the packages it recommends serve a desktop.
browser=(chromium)

# Node's test runner drives that browser for the page-script tests; Node comes with the machine.
if ! node -e 'process.exit(Number(process.versions.node.split(".")[0]) >= 20 ? 0 : 1)' 2>/dev/null; then
  echo "tarvo setup: Node 20 or later is needed on the PATH (the page-script tests run with node --test)" >&2
  exit 1
fi

uninstalled() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}
mapfile -t missing < <(uninstalled "${packages[@]}")
mapfile -t missingBrowser < <(uninstalled "${browser[@]}")

if [ ${#missing[@]} -eq 0 ] && [ ${#missingBrowser[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "tarvo setup: installing ${missing[*]} ${missingBrowser[*]}"
$sudo apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if [ ${#missingBrowser[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missingBrowser[@]}" >/dev/null
fi
