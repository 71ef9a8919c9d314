#!/usr/bin/env bash
# What an artist sees: the full GIMP under Xvfb opens the example image, and
# "4. Draw Path", "5. Draw on ۞ ESL", "6. Remove ۞ ESL" and "3. Render
# Timeline" are chosen from the image window's menu bar with real key
# presses. GIMP's Script-Fu server, started in that GIMP, answers questions
# about layers and pixels between the menu actions; the rendered frames must
# be the bytes a headless batch render of the same timeline writes.
#   menus-test.sh SOURCE_DIR BUILD_DIR
set -u
# The tests compare the suite's English texts, whatever the session's language.
export LANGUAGE=C
src=$1 build=$2
. "$src/tools/gimp-env.sh"
here=$src/tests/gui
xcf=$src/examples/animation.xcf
shots=$build/gui-screenshots
limit=${QV_GUI_WAIT:-30}

work=$(mktemp -d "${TMPDIR:-/tmp}/qv-gui.XXXXXX")
xvfb_pid="" gimp_pid="" batch_pid=""
cleanup() {
  # GIMP runs in its own session: the group holds its plug-ins, and the
  # Script-Fu server among them outlives a GIMP killed alone.
  if [ -n "$gimp_pid" ]; then
    kill -- -"$gimp_pid" 2> /dev/null
    for _ in $(seq 50); do kill -0 -- -"$gimp_pid" 2> /dev/null || break; sleep 0.1; done
    kill -KILL -- -"$gimp_pid" 2> /dev/null
  fi
  [ -n "$batch_pid" ] && kill -- -"$batch_pid" 2> /dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$shots/frames"
mkdir -p "$work/gui" "$work/batch" "$shots"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for profile in gui batch; do
  qv_make_profile "$work/$profile-profile" "$build" "$src"
  # Without it every PNG embeds a colour profile stamped with the session time.
  echo '(export-color-profile no)' >> "$work/$profile-profile/gimprc"
done

# The reference frames, rendered headless while the GUI starts; in a session
# of its own, so that an early exit can stop it together with its GIMP.
setsid bash -c '. "$1/tools/gimp-env.sh"; shift; unset DISPLAY; qv_gimp_batch "$@"' _ "$src" \
  "$work/batch-profile" 120 \
  "(let* ((image (car (gimp-xcf-load 0 \"$xcf\" \"$xcf\")))
          (layer (car (gimp-image-get-active-layer image))))
     (plug-in-qv-render-timeline-save RUN-NONINTERACTIVE image layer \"Demo\" \"$work/batch/f_000.png\" 3))" \
  > "$work/batch.log" 2>&1 < /dev/null &
batch_pid=$!

# -displayfd lets the server pick a free display and tell us which.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$work/display")

port=$(python3 "$here/gimp-client.py" --free-port)
GIMP2_DIRECTORY="$work/gui-profile" setsid gimp-2.10 --no-splash --stack-trace-mode never "$xcf" \
  -b "(plug-in-script-fu-server 1 \"127.0.0.1\" $port \"$work/server.log\")" > "$work/gimp.log" 2>&1 < /dev/null &
gimp_pid=$!

ask() { python3 "$here/gimp-client.py" "$port" "$1"; }
shot() { import -window root "$shots/$1.png"; }
gimp_log() { echo "---- GIMP output (last 30 lines) ----"; grep -v 'theme engine\|gegl copy\|^$' "$work/gimp.log" | tail -n 30; }

# until SECONDS COMMAND...: polls COMMAND until it succeeds; false on timeout.
until_ok() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}
plugin_idle() { ! pgrep -P "$gimp_pid" -x qv-path-draw > /dev/null; }

# find_window SECONDS [--onlyvisible] TITLE-REGEX: prints the first window
# with that title. xdotool dies of X's BadWindow when some other window closes
# while it walks the tree, so the search is polled, never left to --sync, and
# "no window" is only believed when two searches in a row agree.
find_window() {
  local end=$((SECONDS + $1)) id
  shift
  while :; do
    id=$(xdotool search "$@" 2> /dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}
# focus WINDOW: gives WINDOW the keyboard. X refuses the focus (BadMatch) to
# a window found a moment before the window manager maps it: try again.
focus() {
  local _
  for _ in $(seq 25); do
    timeout 5 xdotool windowfocus --sync "$1" 2> /dev/null && return 0
    sleep 0.2
  done
  echo "FAIL: window $1 never took the focus"
  failures=$((failures + 1))
  return 1
}
window_absent() {
  [ -z "$(xdotool search "$@" 2> /dev/null)" ] && sleep 0.2 && [ -z "$(xdotool search "$@" 2> /dev/null)" ]
}

window=$(find_window 90 --onlyvisible --name '^animation\.xcf-.* GIMP$')
if [ -z "$window" ]; then
  echo "FAIL: no GIMP window for the example image within 90s"
  gimp_log
  exit 1
fi
until_ok 30 ask '(gimp-image-list)' > /dev/null || { echo "FAIL: the Script-Fu server does not answer"; gimp_log; exit 1; }
ask "(load \"$here/probe.scm\")" > /dev/null || { echo "FAIL: probe.scm did not load"; exit 1; }

# menu ITEM [SHOT]: opens "QV Edit | Animate" and activates its ITEM-th entry.
# F10 opens "File"; Left wraps round to Help, Windows, QV Path-Tools and then
# QV Edit | Animate, whose entries are 1. … 6. in that order.
menu() {
  focus "$window" && xdotool key F10
  sleep 0.3
  xdotool key Left Left Left Left
  sleep 0.3
  local i
  for ((i = 0; i < $1; i++)); do xdotool key Down; done
  sleep 0.3
  [ $# -gt 1 ] && shot "$2"
  xdotool key Return
}

# The menu acts on the current path and the active layer: "Red key" is a
# 70×70 square filled with 220 30 30, (75,75) is its centre and (200,75)
# lies outside every path of the image.
tattoo=$(ask '(gui-select "Red key" "Background")' | tr -dc 0-9)
background=$(ask '(gui-pixel "Background" 75 75)')
outside=$(ask '(gui-pixel "Background" 200 75)')
esl="۞ ESL-$tattoo"

echo "== 3. Render Timeline (${SECONDS}s)"
# Rendered first: the frames must match the batch render of the file, and
# the draws below change the image. Fresh from the file the image remembers
# no timeline, so the chooser asks first; "Demo" is its only row.
render_timeline() {
  menu 3
  local chooser dialog
  chooser=$(find_window "$limit" --onlyvisible --name '^Timeline Administration!$')
  [ -n "$chooser" ] || { fail "no \"Timeline Administration!\" window"; return; }
  focus "$chooser" && xdotool key Down Return
  dialog=$(find_window "$limit" --onlyvisible --name '^Render Timeline$')
  [ -n "$dialog" ] || { fail "no \"Render Timeline\" dialog"; return; }
  # Focus order: timeline, Timeline, first frame, Frame, frame count.
  # Tabbing into an entry selects its text, so typing replaces it.
  focus "$dialog" && xdotool key Tab Tab
  xdotool type "$work/gui/f_000.png"
  xdotool key Tab Tab
  xdotool type 3
  sleep 0.3
  shot 3-render-timeline-dialog
  # Enter in the count confirms the dialog, as in GIMP's own dialogs.
  xdotool key Return
  find_window "$limit" --name '^Render&Save$' > /dev/null ||
    { fail "no \"Render&Save\" progress window"; return; }
  sleep 1.5
  shot 4-during-render
  window_gone() { window_absent --name '^Render&Save$'; }
  until_ok 120 window_gone || { fail "Render&Save did not finish within 120s"; return; }
  until_ok "$limit" plugin_idle || fail "the render plug-in still runs after its window closed"
  # Frames are rendered on copies: the image itself has nothing to save.
  [ "$(ask '(gui-dirty)')" = "(0)" ] || fail "rendering marked the image as changed"
  shot 5-after-render
}
render_timeline

echo "== 4. Draw Path (${SECONDS}s)"
menu 4 1-menu-before-draw-path
red_at() { [ "$(ask "(gui-pixel \"$1\" 75 75)")" = "$2" ]; }
if until_ok "$limit" red_at Background "(220 30 30)" && until_ok "$limit" plugin_idle; then
  [ "$(ask '(gui-pixel "Background" 200 75)')" = "$outside" ] || fail "Draw Path changed pixels outside the path"
else
  fail "Draw Path: (75,75) is $(ask '(gui-pixel "Background" 75 75)'), was $background, expected the fill (220 30 30)"
fi
shot 2-after-draw-path

echo "== 5. Draw on ۞ ESL (${SECONDS}s)"
has_layer() { ask '(gui-layer-names)' | grep -qF "\"$1\""; }
menu 5
if until_ok "$limit" has_layer "$esl" && until_ok "$limit" plugin_idle; then
  [ "$(ask "(gui-pixel \"$esl\" 75 75)")" = "(220 30 30 255)" ] ||
    fail "$esl: (75,75) is $(ask "(gui-pixel \"$esl\" 75 75)"), expected the fill (220 30 30 255)"
  [ "$(ask "(gui-pixel \"$esl\" 200 75)")" = "(0 0 0 0)" ] || fail "$esl is not transparent outside the path"
else
  fail "Draw on ESL made no layer \"$esl\"; layers: $(ask '(gui-layer-names)')"
fi

echo "== 6. Remove ۞ ESL (${SECONDS}s)"
no_layer() { ! has_layer "$1"; }
if no_layer "$esl"; then
  echo "(not checked: there is no ESL to remove)"
else
  drawn=$(ask '(gui-pixel "Background" 75 75)')
  menu 6
  if until_ok "$limit" no_layer "$esl" && until_ok "$limit" plugin_idle; then
    red_at Background "$drawn" || fail "Remove ESL changed the drawing on Background"
  else
    fail "Remove ESL left \"$esl\"; layers: $(ask '(gui-layer-names)')"
  fi
fi

# closes_on_escape TITLE SHOT PLUG-IN WHAT: the window TITLE that the menu
# entry just chosen opens is photographed, closed with Escape, and its
# plug-in ends.
closes_on_escape() {
  local title=$1 name=$2 plugin=$3 what=$4 id
  id=$(find_window "$limit" --onlyvisible --name "^$title\$")
  [ -n "$id" ] || { fail "no $what window \"$title\""; return; }
  sleep 1
  shot "$name"
  focus "$id" && xdotool key Escape
  gone() { window_absent --onlyvisible --name "^$title\$"; }
  idle() { ! pgrep -P "$gimp_pid" -x "$plugin" > /dev/null; }
  until_ok "$limit" gone || fail "the $what did not close on Escape"
  until_ok "$limit" idle || fail "the $what's plug-in still runs after its window closed"
}

echo "== 1. Edit Path-Style (${SECONDS}s)"
# The editor opens beside the canvas, titled by the current path.
menu 1
closes_on_escape "Red key" 9-style-editor qv-path-style "style editor"

echo "== 2. Animation Renderer (${SECONDS}s)"
menu 2
closes_on_escape "Animation Renderer" 10-animation-renderer qv-path-animation "Animation Renderer"

echo "== QV Path-Tools menu (${SECONDS}s)"
# Only looked at: the menu calls are checked in live.menu_calls.
focus "$window" && xdotool key F10
sleep 0.3
xdotool key Left Left Left
sleep 0.5
shot 7-path-tools-menu
# Its third entry is the keyspline submenu.
xdotool key Down Down Down Right
sleep 0.5
shot 8-keyspline-submenu
xdotool key Escape Escape Escape

wait "$batch_pid"
batch_pid=""
frames=$(cd "$work/gui" && ls)
[ "$(echo $frames)" = "f_000.png f_001.png f_002.png" ] || fail "the menu render wrote '$(echo $frames)', expected f_000.png f_001.png f_002.png"
for n in 000 001 002; do
  [ -s "$work/batch/f_$n.png" ] || { fail "the batch render did not write f_$n.png"; continue; }
  [ -e "$work/gui/f_$n.png" ] || continue
  if ! cmp -s "$work/gui/f_$n.png" "$work/batch/f_$n.png"; then
    fail "f_$n.png: menu render and batch render differ (both kept in $shots/frames)"
    mkdir -p "$shots/frames"
    cp "$work/gui/f_$n.png" "$shots/frames/menu_$n.png"
    cp "$work/batch/f_$n.png" "$shots/frames/batch_$n.png"
  fi
done

if [ $failures -gt 0 ]; then
  gimp_log
  echo "---- batch render ----"
  grep -v 'gegl copy' "$work/batch.log" | tail -n 10
  echo "gui.menus: $failures failure(s); screenshots in $shots"
  exit 1
fi
echo "gui.menus: ok (screenshots in $shots)"
