#!/usr/bin/env bash
# Stands in for gimp-console in frameRunner's tests: records its arguments,
# reads the frame name and count from the render call of its batch program
# and writes those frame files. The environment makes chosen blocks fail the
# ways a real GIMP does:
#   FAKE_PARTIAL_AT=N  the block starting at frame N writes only half its files
#   FAKE_EXIT_AT=N     the block starting at frame N exits with status 3
#   FAKE_REPORT_AT=N   the block starting at frame N reports a failed render
#                      (its program then removes the marker file)
# and lets tests watch it:
#   FAKE_FRAME_SECONDS=S  each frame takes S seconds and is written like the
#                      real renderer does it: into ".NAME.part.EXT" beside the
#                      frame, then renamed; killed meanwhile, it leaves that
#                      temporary file behind, as GIMP would. A whole frame
#                      holds "frame N"; the temporary file starts with less.
#   FAKE_IGNORE_TERM=1 ignores SIGTERM (it and what it starts), so only
#                      SIGKILL ends it
#   FAKE_ENV_LOG=FILE  appends "DISPLAY=… WAYLAND_DISPLAY=… own-group=yes|no":
#                      the display variables as it saw them ("unset" when
#                      absent) and whether it leads a process group of its own
# Each running fake holds the file $FAKE_RUNNING/<its pid>, holding its
# process group id; a fake that was killed leaves it behind.
set -u
log=${FAKE_LOG:?}
running=${FAKE_RUNNING:?}
[ "${FAKE_IGNORE_TERM:-}" = 1 ] && trap '' TERM

args=$(printf '[%s]' "$@")
program=
while [ $# -gt 0 ]; do
  if [ "$1" = -b ] && [ -z "$program" ]; then program=$2; shift; fi
  shift
done
call=$(printf '%s' "$program" | sed -n 's/.*render-timeline-save 2 image 0 "[^"]*" "\([^"]*\)" \([0-9]*\).*/\1 \2/p')
marker=$(printf '%s' "$program" | sed -n 's/.*plug-in-qv-remove-file "\([^"]*\)".*/\1/p')
frame=${call% *}
count=${call##* }
[[ $frame =~ ^(.*[^0-9])([0-9]+)\.([^.]+)$ ]] || { echo "fake-gimp: bad frame $frame" >&2; exit 9; }
base=${BASH_REMATCH[1]} digits=${BASH_REMATCH[2]} ext=${BASH_REMATCH[3]}
width=${#digits}
start=$((10#$digits))
echo "$start $count $args" >> "$log"
# GIMP's usual chatter, which frameRunner keeps off its own output.
echo "fake-gimp: using gegl copy" >&2
read -r stat < /proc/$$/stat
read -r _ _ pgid _ <<< "${stat##*) }"
if [ -n "${FAKE_ENV_LOG:-}" ]; then
  own=no
  [ "$pgid" = $$ ] && own=yes
  echo "DISPLAY=${DISPLAY-unset} WAYLAND_DISPLAY=${WAYLAND_DISPLAY-unset} own-group=$own" >> "$FAKE_ENV_LOG"
fi

# Concurrency: every running fake holds a file; the most seen at once is kept.
echo "$pgid" > "$running/$$"
now=$(ls "$running" | wc -l)
echo "$now" >> "$running.max"
sleep 0.3

[ "$start" = "${FAKE_EXIT_AT:-}" ] && { echo "fake-gimp: giving up at $start" >&2; rm -f "$running/$$"; exit 3; }
[ "$start" = "${FAKE_REPORT_AT:-}" ] && { rm -f "$marker" "$running/$$"; exit 0; }
write=$count
[ "$start" = "${FAKE_PARTIAL_AT:-}" ] && write=$((count / 2))
for ((i = 0; i < write; i++)); do
  printf -v name '%s%0*d.%s' "$base" "$width" $((start + i)) "$ext"
  if [ -n "${FAKE_FRAME_SECONDS:-}" ]; then
    # No subshell here: a kill between two frames must find the next
    # temporary file already there.
    temporary=${name%/*}/.${name##*/}.part.$ext
    printf 'frame' > "$temporary"
    sleep "$FAKE_FRAME_SECONDS"
    printf 'frame %d\n' $((start + i)) > "$temporary"
    mv -f "$temporary" "$name"
  else
    : > "$name"
  fi
done
rm -f "$running/$$"
exit 0
