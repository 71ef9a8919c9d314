#!/usr/bin/env bash
# Installs what the suite needs on Debian 12 (when missing), then configures
# and builds it into build/. Safe to run again: it only does what is missing.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config
  gimp libgimp2.0-dev libgtk2.0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  # Key presses into real windows for the tests of dialogs and menus, the
  # GUI test's screenshots and its Script-Fu client.
  xdotool imagemagick python3
  # One font family installed on every machine, so that text renders the same.
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-configure.log 2>&1 \
  || { cat build-configure.log; exit 1; }
cmake --build build -j"$(nproc)"
