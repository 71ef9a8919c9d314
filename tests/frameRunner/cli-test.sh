#!/usr/bin/env bash
# frameRunner's command line with a fake GIMP: blocks in parallel, failures
# reported with their frames, --resume, and bad input refused before any
# GIMP starts.
#   cli-test.sh FRAMERUNNER XCF_WITH_TIMELINES FAKE_GIMP
set -u
# The tests compare the suite's English texts, whatever the session's language.
export LANGUAGE=C
runner=$1 xcf=$2 fake=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export FAKE_LOG=$work/calls FAKE_RUNNING=$work/running
# frameRunner's markers and GIMP logs, apart from those of other tests.
export TMPDIR=$work/tmp
mkdir -p "$work/running" "$work/out" "$TMPDIR"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }
reset() { rm -rf "$work/out"/* "$FAKE_LOG" "$FAKE_RUNNING.max" "$work/env"; unset FAKE_PARTIAL_AT FAKE_EXIT_AT FAKE_REPORT_AT FAKE_ENV_LOG; }
frames_on_disk() { ls "$work/out" | wc -l; }
run() { "$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" --frame "$work/out/f_0000.png" "$@" > "$work/stdout" 2> "$work/stderr"; }

# Listing.
"$runner" --xcf "$xcf" --list > "$work/list"
check "list shows Intro with 250 frames" grep -q $'^Intro\t250 frames\tcurrent' "$work/list"
check "list shows the rest timeline" grep -q $'^Long\t250 frames\trest' "$work/list"

# Planning for other machines.
run --plan
check "plan of 250 frames in blocks of 100" diff <(printf '0 100\n100 100\n200 50\n') "$work/stdout"

# 250 frames, blocks of 100, two at a time: three GIMP starts, every file.
reset
run --block-size 100 --jobs 2 --parameters "-i --verbose 'two words'"
status=$?
check "clean run exits 0" [ $status -eq 0 ]
check "clean run writes 250 frames" [ "$(frames_on_disk)" -eq 250 ]
check "three GIMP starts" [ "$(wc -l < "$FAKE_LOG")" -eq 3 ]
check "blocks start at 0, 100, 200 with 100, 100, 50 frames" \
  diff <(printf '0 100\n100 100\n200 50\n') <(cut -d' ' -f1,2 "$FAKE_LOG" | sort -n)
check "parameters come before -b, split like a shell" \
  grep -q '^0 100 \[-i\]\[--verbose\]\[two words\]\[-b\]\[(begin' "$FAKE_LOG"
check "a second batch command makes GIMP quit" grep -q '\[-b\]\[(gimp-quit 0)\]$' "$FAKE_LOG"
check "two blocks ran at once" grep -qx 2 "$FAKE_RUNNING.max"
check "never more than two at once" [ "$(sort -n "$FAKE_RUNNING.max" | tail -1)" -le 2 ]
check "no marker files left" [ -z "$(ls "${TMPDIR:-/tmp}"/frameRunner-*.scm 2>/dev/null | xargs -r grep -l "$work" 2>/dev/null)" ]

# GIMP starts without a display even when frameRunner has one (a GIMP with a
# display opens the render procedure's progress windows on the desktop), and
# in a process group of its own, which frameRunner ends on Ctrl+C.
reset
DISPLAY=:42 WAYLAND_DISPLAY=wayland-42 FAKE_ENV_LOG=$work/env run --block-size 100 --jobs 2
status=$?
check "run with a display exits 0" [ $status -eq 0 ]
check "every GIMP started without DISPLAY and WAYLAND_DISPLAY" \
  diff <(printf 'DISPLAY=unset WAYLAND_DISPLAY=unset own-group=yes\n%.0s' 1 2 3) "$work/env"

# A block that writes half its frames: reported with its range, the others done.
reset
FAKE_PARTIAL_AT=100 run --jobs 3
status=$?
check "partial block makes the exit status 1" [ $status -eq 1 ]
check "failure names the block's frames" grep -q 'frames 100–199 (.*f_0100.png … .*f_0199.png): 50 of 100 frame files missing, first .*f_0150.png' "$work/stdout"
check "the other blocks still rendered" [ "$(frames_on_disk)" -eq 200 ]

# --resume renders only the missing run.
FAKE_LOG=$work/calls-resume run --resume --jobs 3
status=$?
check "resume exits 0" [ $status -eq 0 ]
check "resume renders only frames 150–199" diff <(echo "150 50") <(cut -d' ' -f1,2 "$work/calls-resume")
check "all 250 frames after resume" [ "$(frames_on_disk)" -eq 250 ]
FAKE_LOG=$work/calls-none run --resume
check "resume with nothing missing starts no GIMP" [ ! -e "$work/calls-none" ]

# GIMP exiting with an error, and the render procedure reporting failure.
reset
FAKE_EXIT_AT=200 FAKE_REPORT_AT=0 run --jobs 1
status=$?
check "failed blocks make the exit status 1" [ $status -eq 1 ]
check "exit status reported" grep -q 'frames 200–249 .*: GIMP failed' "$work/stdout"
check "a failed block ends with GIMP's last words" grep -q 'giving up at 200' "$work/stdout"
check "no marker or GIMP log is left behind" [ -z "$(ls "$TMPDIR")" ]
check "reported failure noticed through the marker" grep -q 'frames 0–99 .*: the render procedure reported a failure' "$work/stdout"
check "the middle block rendered" [ "$(frames_on_disk)" -eq 100 ]
reset
run --jobs 2 --frames 100
check "GIMP's chatter stays off the output of a render that went well" \
  bash -c '! grep -q "using gegl copy" "$0" "$1"' "$work/stdout" "$work/stderr"

# One range only, as a remote machine renders it.
reset
run --from 100 --frames 100
check "a range renders its frames only" [ "$(ls "$work/out" | head -1)" = f_0100.png ] && [ "$(frames_on_disk)" -eq 100 ]

# Bad input: a message, exit 2, no GIMP started, nothing written.
reset
bad() {
  local what=$1 pattern=$2; shift 2
  "$@" > "$work/stdout" 2> "$work/stderr"
  local status=$?
  check "$what: exit 2" [ $status -eq 2 ]
  check "$what: message" grep -q "$pattern" "$work/stderr"
  check "$what: no GIMP started" [ ! -e "$FAKE_LOG" ]
  check "$what: nothing written" [ "$(frames_on_disk)" -eq 0 ]
}
bad "unknown timeline" 'Timeline »Nope« not found! The image has "Intro", "Titles", "Credits" and "Long"' \
  "$runner" --xcf "$xcf" --timeline Nope --gimp "$fake" --frame "$work/out/f_0.png"
bad "not an XCF" 'not a valid GIMP XCF image: not a GIMP XCF image' \
  "$runner" --xcf "$fake" --timeline Intro --gimp "$fake" --frame "$work/out/f_0.png"
bad "missing folder" 'does not exist' run --frame "$work/nowhere/f_0.png"
bad "no extension" 'needs an extension' run --frame "$work/out/f_0"
bad "missing GIMP" 'does not exist' "$runner" --xcf "$xcf" --timeline Intro --gimp "$work/no-gimp" --frame "$work/out/f_0.png"
bad "zero block size" 'block-size' run --block-size 0
bad "stray argument" 'unexpected argument' run extra
mkfifo "$work/pipe.xcf"
bad "a FIFO instead of an image" 'not a regular file' \
  timeout 10 "$runner" --xcf "$work/pipe.xcf" --timeline Intro --gimp "$fake" --frame "$work/out/f_0.png"

# --jobs is capped, with a word about it.
reset
run --jobs 1000 --block-size 10
check "--jobs 1000 says the cap" grep -q -- '--jobs 1000 is more than 16' "$work/stderr"
check "--jobs 1000 still renders" [ "$(frames_on_disk)" -eq 250 ]
check "never more than 16 at once" [ "$(sort -n "$FAKE_RUNNING.max" | tail -1)" -le 16 ]
if [ "$(id -u)" != 0 ]; then
  chmod a-w "$work/out"
  bad "read-only folder" 'cannot be written' run
  chmod u+w "$work/out"
fi

if [ $failures -eq 0 ]; then echo "frameRunner command line: all checks passed"; fi
exit $((failures > 0))
