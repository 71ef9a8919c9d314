#!/usr/bin/env bash
# Installs what the suite needs on Debian 12 (when missing), then configures
# and builds it into build/. Safe to run again: it only does what is missing.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config
  gimp libgimp2.0-dev libgtk2.0-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  # Key presses into real windows for the tests of dialogs and menus, the
  # GUI test's screenshots and its Script-Fu client.
  xdotool imagemagick python3
  # One font family installed on every machine, so that text renders the same.
  fonts-dejavu-core
  # DejaVu lacks "۞" (U+06DE), which menu labels ("5. Draw on ۞ ESL") and
  # layer names ("۞ ESL-…") carry; Noto Sans Arabic UI has it, drawn to sit
  # in a line of UI text, and fontconfig falls back to it for that glyph.
  fonts-noto-ui-core
  # GIMP's own themes (Dark is its default) draw list selections with GTK's
  # pixbuf engine; without it a selected row's text is as pale as the
  # selection behind it, in plug-in dialogs as in GIMP itself.
  gtk2-engines-pixbuf
  # frameRunner --video assembles frames into films and animated images.
  ffmpeg
  # GNU parallel runs the README's recipe for spreading blocks (tested).
  parallel
  # The message catalogues: xgettext extracts the template in the build,
  # msgfmt compiles each language's catalogue.
  gettext
  # A decimal-comma locale (de_DE.UTF-8, generated below) for the tests that
  # check that numbers are written with "." whatever the locale, and the
  # German test of the catalogue.
  locales
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

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating the locale de_DE.UTF-8"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen > /dev/null
  "${sudo_cmd[@]}" locale-gen > /dev/null
fi

fc-list ':charset=6de' family | grep -q . || {
  echo "setup: fontconfig finds no font with the glyph U+06DE (۞); menu labels would show a box" >&2
  exit 1
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build-configure.log 2>&1 \
  || { cat build-configure.log; exit 1; }
cmake --build build -j"$(nproc)"
