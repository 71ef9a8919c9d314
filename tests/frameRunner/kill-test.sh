#!/usr/bin/env bash
# frameRunner killed, or its GIMP killed, in the middle of a render (with the
# fake GIMP, whose frames take a while and are written through temporary
# files as the real renderer writes them). After each kill: no marker file of
# frameRunner is left once it or the next run is done, no unfinished frame
# sits under a final name, and --resume renders exactly the missing frames.
#   kill-test.sh FRAMERUNNER XCF_WITH_TIMELINES FAKE_GIMP
set -u
# The tests compare the suite's English texts, whatever the session's language.
export LANGUAGE=C
runner=$1 xcf=$2 fake=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export FAKE_RUNNING=$work/running FAKE_FRAME_SECONDS=0.15
# frameRunner keeps its marker files in the temporary folder: one of our own.
export TMPDIR=$work/tmp
mkdir -p "$work/running" "$work/out" "$TMPDIR"
failures=0
frames=24

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }
start() {
  FAKE_LOG=$work/calls "$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" \
    --frame "$work/out/f_0000.png" --frames $frames --block-size 6 --jobs 2 "$@" \
    > "$work/stdout" 2> "$work/stderr" &
  pid=$!
}
# Waits until no fake GIMP runs any more (at most 10 s).
gimps_gone() {
  local i group alive
  for ((i = 0; i < 100; i++)); do
    alive=0
    for f in "$work/running"/*; do
      [ -e "$f" ] || continue
      read -r group < "$f"
      kill -0 -- "-$group" 2> /dev/null && alive=1
    done
    [ $alive = 0 ] && return 0
    sleep 0.1
  done
  return 1
}
missing_frames() {
  local i name
  for ((i = 0; i < frames; i++)); do
    printf -v name '%s/out/f_%04d.png' "$work" $i
    [ -e "$name" ] || echo $i
  done
}
# Every final frame file holds its whole frame …
finals_whole() {
  local f n
  for f in "$work/out"/f_*.png; do
    [ -e "$f" ] || continue
    n=${f##*_}; n=$((10#${n%.png}))
    [ "$(cat "$f")" = "frame $n" ] || { echo "unfinished: $f"; return 1; }
  done
}
# … and no temporary one is left.
frames_whole() {
  finals_whole || return 1
  [ -z "$(ls -A "$work/out" | grep '\.part\.')" ] || { echo "left: $(ls -A "$work/out")"; return 1; }
}
markers() { ls "$TMPDIR" | grep -c '^frameRunner-.*\.scm$'; }
# --resume must start GIMP for exactly the frames that are missing.
resume_renders_missing() {
  local what=$1 expected
  expected=$(missing_frames)
  rm -f "$work/calls"
  FAKE_LOG=$work/calls "$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" \
    --frame "$work/out/f_0000.png" --frames $frames --block-size 6 --jobs 2 --resume \
    > "$work/resume.out" 2>&1
  check "$what: resume exits 0" [ $? -eq 0 ]
  local rendered
  rendered=$(while read -r first count _; do seq "$first" $((first + count - 1)); done < "$work/calls" | sort -n)
  check "$what: resume renders exactly the missing frames" [ "$rendered" = "$(sort -n <<< "$expected")" ]
  check "$what: all frames whole after resume" [ -z "$(missing_frames)" ]
  check "$what: nothing unfinished after resume" frames_whole
  check "$what: no marker file after resume" [ "$(markers)" -eq 0 ]
}
reset() { rm -rf "$work/out"/* "$work/out"/.[!.]* "$work/running"/* "$TMPDIR"/*; }

# frameRunner itself gets SIGTERM or SIGINT: it ends its GIMPs, clears their
# unfinished frames and its markers, and exits as a signal would.
for signal in TERM INT; do
  reset
  start
  sleep 1
  kill -$signal $pid
  wait $pid
  status=$?
  check "$signal to frameRunner: exit status" [ $status -eq $((128 + $(kill -l $signal))) ]
  check "$signal to frameRunner: says why" grep -q 'stopping: signal' "$work/stdout"
  check "$signal to frameRunner: its GIMPs ended" gimps_gone
  check "$signal to frameRunner: no marker left" [ "$(markers)" -eq 0 ]
  check "$signal to frameRunner: no unfinished frame" frames_whole
  check "$signal to frameRunner: some frames were still missing" [ -n "$(missing_frames)" ]
  resume_renders_missing "$signal to frameRunner"
done

# SIGKILL, which frameRunner cannot see: its GIMPs are ended through the
# parent-death signal, and the next run clears the markers and unfinished
# frames left behind.
reset
start
sleep 1
kill -KILL $pid
wait $pid 2> /dev/null
check "KILL to frameRunner: its GIMPs ended" gimps_gone
check "KILL to frameRunner: no unfinished frame under a final name" finals_whole
check "KILL to frameRunner: its markers wait for the next run" [ "$(markers)" -gt 0 ]
resume_renders_missing "KILL to frameRunner"

# One GIMP killed: its block fails with the reason, its unfinished frame and
# marker are removed, the other blocks render.
for signal in KILL TERM; do
  reset
  start
  sleep 0.8
  victim=$(ls "$work/running" | head -1)
  [ -n "$victim" ] && kill -$signal "$victim"
  wait $pid
  status=$?
  check "$signal to GIMP: exit status 1" [ $status -eq 1 ]
  check "$signal to GIMP: the failed block is named" grep -q 'FAILED: frames .*GIMP failed' "$work/stdout"
  gimps_gone
  check "$signal to GIMP: no marker left" [ "$(markers)" -eq 0 ]
  check "$signal to GIMP: no unfinished frame" frames_whole
  resume_renders_missing "$signal to GIMP"
done

if [ $failures -eq 0 ]; then echo "frameRunner kills: all checks passed"; fi
exit $((failures > 0))
