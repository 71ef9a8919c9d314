#!/usr/bin/env bash
# The suite in German: with LANGUAGE=de (and a German locale, without which
# gettext ignores LANGUAGE), frameRunner answers in German, a plug-in's
# message arrives in German, and GIMP's own menu shows the suite's entries
# with German labels, read from its menus by a GTK module.
#   german-test.sh SOURCE_DIR BUILD_DIR MENU_MODULE
set -u
src=$1 build=$2 module=$3
. "$src/tools/gimp-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/qv-german.XXXXXX")
xvfb_pid="" gimp_pid=""
cleanup() {
  [ -n "$gimp_pid" ] && kill -- -"$gimp_pid" 2> /dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect WHAT FILE TEXT: FILE must hold TEXT.
expect() { grep -qF -- "$3" "$2" || { fail "$1: no \"$3\" in:"; sed 's/^/  | /' "$2" | tail -n 15; }; }

locale=$(locale -a 2> /dev/null | grep -iE '^de_DE\.utf-?8$' | head -n 1)
[ -n "$locale" ] || { echo "FAIL: no German UTF-8 locale (setup.sh generates de_DE.UTF-8)"; exit 1; }
export LANG=$locale LANGUAGE=de LC_ALL=
unset LC_MESSAGES

echo "== frameRunner"
"$build/tools/frameRunner/frameRunner" --timeline x > "$work/runner.txt" 2>&1
expect "frameRunner's message" "$work/runner.txt" "kein XCF-Bild angegeben (--xcf)"
"$build/tools/frameRunner/frameRunner" --help > "$work/help.txt" 2>&1
expect "frameRunner --help" "$work/help.txt" "Nur Einzelbilder rendern, deren Dateien noch nicht existieren"

echo "== a plug-in's message"
qv_make_profile "$work/profile" "$build" "$src"
qv_gimp_batch "$work/profile" 120 \
  '(let* ((image (car (gimp-image-new 20 20 RGB))))
     (catch #t (plug-in-qv-path-set-style-attribute image "nix" "fill" "1 2 3")))' \
  > "$work/batch.txt" 2>&1
expect "the plug-in's message" "$work/batch.txt" "Pfad »nix« existiert nicht!"

echo "== GIMP's menus"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
labels=$work/labels.txt
GTK_MODULES=$module QV_MENU_LABELS=$labels GIMP2_DIRECTORY="$work/profile" \
  setsid gimp-2.10 --no-splash --stack-trace-mode never "$src/examples/animation.xcf" \
  > "$work/gimp.log" 2>&1 < /dev/null &
gimp_pid=$!
# The menu bar of the image window holds the suite's menus once the
# plug-ins are registered: wait for one of its German labels.
for _ in $(seq 120); do
  [ -s "$labels" ] && grep -qF "Pfadstil bearbeiten" "$labels" && break
  sleep 1
done
[ -s "$labels" ] || { fail "GIMP wrote no menu labels"; tail -n 20 "$work/gimp.log"; }
if [ -s "$labels" ]; then
  for label in "1. Pfadstil bearbeiten" "3. Zeitleiste rendern" "5. Auf ۞ ESL zeichnen" "6. ۞ ESL entfernen" \
               " Neuer Kreis"; do
    expect "the menu" "$labels" "$label"
  done
fi

[ $failures -eq 0 ] || { echo "german: $failures failure(s)"; exit 1; }
echo "german: all passed"
