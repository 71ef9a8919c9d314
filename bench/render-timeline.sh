#!/usr/bin/env bash
# Times the rendering of a 50-frame timeline of a 1280x720 image (the
# animation example, scaled) several ways, each in its own GIMP start:
#   plain     a Script-Fu loop doing the same GIMP work per frame
#             (duplicate, draw the same paths with the same calls, save,
#             delete), the baseline;
#   runner-1  frameRunner with one GIMP process;
#   runner-2  frameRunner with two GIMP processes (two blocks of 25);
#   floor     the benchmark's own plug-in (bench/floor) doing per frame only
#             what no renderer can skip: duplicate, flatten, read the pixels
#             through pixel regions (no GEGL start) and write the PNG with
#             libpng in-process, with nothing drawn.
# Prints seconds per frame and the ratios, the suite against the floor, and
# the PDB calls per frame of the one-process render (all calls the plug-ins
# send, counted by bench/pdb-count preloaded into GIMP; a count is a hash
# table step, far below a call's round trip through GIMP) with the five
# most frequent procedures.
#
# Usage: bench/render-timeline.sh [--baseline BUILD_DIR] [--paths] [--entries]
#   --baseline BUILD_DIR  also renders with the plug-ins and frameRunner of
#                         another build folder of this project (an older
#                         checkout; its sources are found through its
#                         CMakeCache.txt) in a profile of its own, and prints
#                         frames per second of both with the ratio new/old
#                         for one process, a one-frame render (frameRunner
#                         --frames 1, the best of three) of both, and the
#                         baseline's PDB calls per frame.
#   --paths               also renders generated 640x360 timelines animating
#                         N = 1, 10, 50, 100 keysplines (each turning its own
#                         box from red to blue), 1 and 10 frames each; the
#                         difference of the two is the per-frame cost without
#                         GIMP's start and the image's load. Prints seconds
#                         and PDB calls per frame for each N and the slope of
#                         log(cost) against log(N) from N = 10 to 100 (1 is
#                         linear, 2 quadratic), then the same for the cost
#                         above N = 1's (the fixed part hides the growth).
#                         With --baseline for both builds. Takes a while.
#   --entries             also renders the timeline with N = 1000, 10000 and
#                         100000 more entries (copies of its own that begin
#                         after its end, made by bench/many-entries), 1 and
#                         11 frames each, and prints seconds per frame above
#                         N = 0's with the slope of log(cost) over log(N)
#                         (1 is linear); then one frame of a 120006-entry
#                         timeline, GIMP's start included. With --baseline
#                         also for the baseline build up to N = 10000.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/gimp-env.sh

usage() {
  sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit "${1:-2}"
}
baseline=
paths=no
entries=no
while [ $# -gt 0 ]; do
  case $1 in
    --baseline)
      [ $# -ge 2 ] || usage
      baseline=$2
      shift 2
      ;;
    --paths)
      paths=yes
      shift
      ;;
    --entries)
      entries=yes
      shift
      ;;
    -h | --help) usage 0 ;;
    *) usage ;;
  esac
done

new_build=$PWD/build
floor_plugin=$new_build/bench/floor/qv-bench-floor
pdb_counter=$new_build/bench/pdb-count/libqv-pdb-count.so
timeline_plugin=$new_build/tools/example-timeline/qv-example-timeline
for built in "$floor_plugin" "$pdb_counter" "$new_build/tools/frameRunner/frameRunner"; do
  [ -e "$built" ] || { echo "missing $built: build first (./setup.sh)" >&2; exit 1; }
done
if [ -n "$baseline" ]; then
  baseline=$(cd "$baseline" && pwd)
  [ -x "$baseline/tools/frameRunner/frameRunner" ] ||
    { echo "$baseline holds no built frameRunner" >&2; exit 1; }
  baseline_src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$baseline/CMakeCache.txt" 2>/dev/null || true)
  [ -d "$baseline_src" ] || { echo "$baseline/CMakeCache.txt names no source folder" >&2; exit 1; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# make_profile NAME BUILD SOURCE [extra plug-ins...]: $work/NAME, without
# the colour profile, whose embedded session time would change every frame.
make_profile() {
  local name=$1
  shift
  qv_make_profile "$work/$name" "$@"
  echo '(export-color-profile no)' >> "$work/$name/gimprc"
}
make_profile profile "$new_build" "$PWD" "$floor_plugin" "$timeline_plugin"
if [ -n "$baseline" ]; then
  make_profile base-profile "$baseline" "$baseline_src"
  # A new profile's first GIMP start asks every plug-in what it offers; not
  # a cost of rendering (the new profile has it behind it in the next step).
  qv_gimp_batch "$work/base-profile" 300 > "$work/base-start.log" 2>&1 || true
fi
# The example's script keyspline names its script relative to the image.
cp examples/stamp.scm "$work/"
bench_scm="(load \"$PWD/bench/render-timeline.scm\")"
qv_gimp_batch "$work/profile" 300 "(begin $bench_scm (qv-bench-make-image \"$PWD/examples/animation.xcf\" \"$work/bench.xcf\"))" \
  > "$work/make.log" 2>&1 || true
[ -s "$work/bench.xcf" ] || { cat "$work/make.log"; exit 1; }

seconds() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
frames=50

# timed_batch NAME REPORT PROGRAM: seconds of one GIMP batch run in the new
# profile; PROGRAM writes the file REPORT when it got to its end.
timed_batch() {
  local name=$1 report=$2 program=$3 begin
  begin=$(seconds)
  qv_gimp_batch "$work/profile" 1200 "$program" > "$work/$name.log" 2>&1 || true
  [ -s "$report" ] || { echo "$name failed:" >&2; tail -20 "$work/$name.log" >&2; exit 1; }
  calc "$(seconds) - $begin"
}

# run_runner PROFILE BUILD XCF FRAMES BLOCK JOBS OUT [COUNTS]: seconds of
# one frameRunner run writing FRAMES frames into the new folder OUT; with
# COUNTS the PDB calls of every GIMP process are appended to that file.
run_runner() {
  local profile=$1 build=$2 xcf=$3 count=$4 block=$5 jobs=$6 out=$7 counts=${8:-}
  local begin env=(GIMP2_DIRECTORY="$profile")
  [ -z "$counts" ] || env+=(LD_PRELOAD="$pdb_counter" QV_PDB_COUNT_FILE="$counts")
  rm -rf "$out"
  mkdir -p "$out"
  begin=$(seconds)
  env "${env[@]}" "$build/tools/frameRunner/frameRunner" --xcf "$xcf" --timeline Demo \
    --frame "$out/frame_000.png" --frames "$count" --block-size "$block" --jobs "$jobs" > "$out.log" 2>&1 ||
    { echo "frameRunner failed:" >&2; tail -20 "$out.log" >&2; exit 1; }
  local written
  written=$(find "$out" -name 'frame_*.png' ! -name '.*' | wc -l)
  [ "$written" -eq "$count" ] || { echo "$out: $written frames, not $count" >&2; exit 1; }
  calc "$(seconds) - $begin"
}

# plugin_calls COUNTS [BEFORE]: "count procedure" lines of the plug-ins'
# PDB calls, less those in BEFORE. GIMP's own lines are the plug-in
# procedures it starts on a caller's behalf, already counted in the caller.
plugin_calls() {
  awk 'FNR == 1 { sign = (FILENAME == ARGV[1] ? 1 : -1) }
       $1 !~ /^gimp(-console)?-2/ { n[$3] += sign * $4 }
       END { for (p in n) if (n[p] != 0) print n[p], p }' "$@"
}
# calls_per_frame FRAMES COUNTS [BEFORE]: PDB calls per frame.
calls_per_frame() {
  local frames=$1
  shift
  plugin_calls "$@" | awk -v frames="$frames" '{ s += $1 } END { printf "%.1f", s / frames }'
}
# top_calls FRAMES COUNTS [BEFORE]: the five most frequent procedures.
top_calls() {
  local frames=$1
  shift
  plugin_calls "$@" | sort -rn | head -5 |
    awk -v frames="$frames" '{ printf "    %10.1f  %s\n", $1 / frames, $2 }'
}

mkdir -p "$work/plain" "$work/floor"
start=$(seconds)
qv_gimp_batch "$work/profile" 1200 \
  "(begin $bench_scm (qv-bench-plain \"$work/bench.xcf\" \"$work/plain\" $frames \"$work/plain.txt\"))" \
  > "$work/plain.log" 2>&1 || true
plain=$(calc "$(seconds) - $start")
[ -s "$work/plain.txt" ] || { echo "the Script-Fu baseline failed:"; tail -20 "$work/plain.log"; exit 1; }

one=$(run_runner "$work/profile" "$new_build" "$work/bench.xcf" $frames $frames 1 "$work/runner-1" "$work/counts-1.txt")
two=$(run_runner "$work/profile" "$new_build" "$work/bench.xcf" $frames $((frames / 2)) 2 "$work/runner-2")
floor=$(timed_batch floor "$work/floor.txt" \
  "(let* ((image (car (gimp-xcf-load 0 \"$work/bench.xcf\" \"$work/bench.xcf\")))
          (saved (car (plug-in-qv-bench-floor 1 image (car (gimp-image-get-active-drawable image))
                                              \"$work/floor/frame_000.png\" $frames))))
     (if (= saved $frames) (let ((port (open-output-file \"$work/floor.txt\"))) (display saved port) (close-output-port port))))")
for way in plain floor; do
  count=$(find "$work/$way" -name 'frame_*.png' | wc -l)
  [ "$count" -eq $frames ] || { echo "$way wrote $count frames, not $frames"; exit 1; }
done
[ -n "$(plugin_calls "$work/counts-1.txt")" ] ||
  { echo "no PDB calls counted: $pdb_counter did not take the place of gp_proc_run_write" >&2; exit 1; }

per() { calc "$1 / $frames"; }
printf '%-44s %8s s/frame\n' "plain Script-Fu loop (baseline), 1 GIMP" "$(per "$plain")"
printf '%-44s %8s s/frame\n' "frameRunner, 1 GIMP process" "$(per "$one")"
printf '%-44s %8s s/frame\n' "frameRunner, 2 GIMP processes" "$(per "$two")"
printf '%-44s %8s s/frame\n' "floor (duplicate, flatten, PNG), 1 GIMP" "$(per "$floor")"
printf 'suite / baseline (1 process): %s\n' "$(calc "$one / $plain")"
printf 'speed-up of 2 processes over 1: %s\n' "$(calc "$one / $two")"
printf 'suite / floor (1 process, time per frame): %s\n' "$(calc "$one / $floor")"
printf 'PDB calls per frame (1 process): %s; the most frequent per frame:\n' \
  "$(calls_per_frame $frames "$work/counts-1.txt")"
top_calls $frames "$work/counts-1.txt"

# best_single_frame PROFILE BUILD: the fastest of three one-frame renders.
best_single_frame() {
  local best= t i
  for i in 1 2 3; do
    t=$(run_runner "$1" "$2" "$work/bench.xcf" 1 1 1 "$work/single")
    best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print (a < b ? a : b) }')
  done
  echo "$best"
}

if [ -n "$baseline" ]; then
  old=$(run_runner "$work/base-profile" "$baseline" "$work/bench.xcf" $frames $frames 1 "$work/base-1" "$work/base-counts-1.txt")
  single_new=$(best_single_frame "$work/profile" "$new_build")
  single_old=$(best_single_frame "$work/base-profile" "$baseline")
  echo
  echo "against the baseline build $baseline (sources $baseline_src), 1 GIMP process:"
  printf '%-44s %8s frames/s\n' "this build" "$(calc "$frames / $one")"
  printf '%-44s %8s frames/s\n' "baseline build" "$(calc "$frames / $old")"
  printf 'frames per second new / old: %s\n' "$(calc "$old / $one")"
  printf 'baseline / floor (time per frame): %s\n' "$(calc "$old / $floor")"
  printf '%-44s %8s s (new), %s s (old), speed new / old %s\n' "one-frame render, GIMP start included" \
    "$single_new" "$single_old" "$(calc "$single_old / $single_new")"
  printf 'baseline PDB calls per frame: %s; the most frequent per frame:\n' \
    "$(calls_per_frame $frames "$work/base-counts-1.txt")"
  top_calls $frames "$work/base-counts-1.txt"
fi

if [ "$entries" = yes ]; then
  many=$new_build/bench/many-entries/qv-bench-many-entries
  [ -x "$many" ] || { echo "missing $many: build first" >&2; exit 1; }
  # render_qvt PROFILE QVT FRAMES [COUNTS]: seconds of one GIMP run
  # rendering FRAMES frames of the timeline file QVT on the benchmark image;
  # with COUNTS the PDB calls go to that file.
  render_qvt() {
    local profile=$1 qvt=$2 count=$3 counts=${4:-} begin out=$work/entries-out
    rm -rf "$out" ${counts:+"$counts"} && mkdir -p "$out"
    begin=$(seconds)
    ([ -z "$counts" ] || export LD_PRELOAD="$pdb_counter" QV_PDB_COUNT_FILE="$counts"
    qv_gimp_batch "$profile" 1200 "(let* ((image (car (gimp-xcf-load 0 \"$work/bench.xcf\" \"$work/bench.xcf\")))
        (done (car (plug-in-qv-render-timeline-save 1 image 0 \"$qvt\" \"$out/frame_000.png\" $count))))
      (if (= done 1) (let ((port (open-output-file \"$out/ok\"))) (display done port) (close-output-port port))))" \
      > "$out.log" 2>&1) || true
    [ -e "$out/ok" ] || { echo "rendering $qvt failed:" >&2; tail -20 "$out.log" >&2; exit 1; }
    calc "$(seconds) - $begin"
  }
  # entries_table LABEL PROFILE SIZES...: seconds and PDB calls per frame,
  # and the seconds above N = 0's.
  entries_table() {
    local label=$1 profile=$2 n t1 t11 base= calls
    shift 2
    declare -A cost
    echo
    echo "timeline entries, $label (per frame of an 11-frame render less a 1-frame one):"
    printf '%8s %10s %12s %12s\n' N s/frame "above N = 0" calls/frame
    for n in 0 "$@"; do
      [ -e "$work/entries-$n.qvt" ] || "$many" "$work/bench.xcf" Demo "$n" "$work/entries-$n.qvt" > /dev/null
      t1=$(render_qvt "$profile" "$work/entries-$n.qvt" 1 "$work/entries-1.counts")
      t11=$(render_qvt "$profile" "$work/entries-$n.qvt" 11 "$work/entries-11.counts")
      cost[$n]=$(calc "($t11 - $t1) / 10")
      calls=$(calls_per_frame 10 "$work/entries-11.counts" "$work/entries-1.counts")
      [ -n "$base" ] || base=${cost[0]}
      printf '%8s %10s %12s %12s\n' "$n" "${cost[$n]}" "$(calc "${cost[$n]} - $base")" "$calls"
    done
    local first=$1 last=${!#}
    awk -v a="${cost[$first]}" -v b="${cost[$last]}" -v base="$base" -v na="$first" -v nb="$last" 'BEGIN {
      a -= base; b -= base
      if (a > 0 && b > 0) printf "slope of log(cost above N = 0) over log(N), N = %d to %d: %.2f\n", na, nb, log(b / a) / log(nb / na)
      else printf "slope: n/a (the cost above N = 0 is within the noise: %.4f and %.4f s)\n", a, b }'
  }
  entries_table new "$work/profile" 1000 10000 100000
  total=$("$many" "$work/bench.xcf" Demo 120000 "$work/entries-big.qvt")
  printf 'one frame of a timeline with %s entries, GIMP start included: %s s\n' \
    "$total" "$(render_qvt "$work/profile" "$work/entries-big.qvt" 1)"
  [ -z "$baseline" ] || entries_table baseline "$work/base-profile" 1000 10000
fi

[ "$paths" = yes ] || exit 0

sizes=(1 10 50 100)
for n in "${sizes[@]}"; do
  qv_gimp_batch "$work/profile" 600 \
    "(begin (load \"$PWD/examples/make-demo-image.scm\") (load \"$PWD/examples/make-animation-image.scm\") $bench_scm (qv-bench-make-paths-image $n \"$work/paths-$n.xcf\"))" \
    > "$work/make-paths-$n.log" 2>&1 || true
  [ -s "$work/paths-$n.xcf" ] || { tail -20 "$work/make-paths-$n.log" >&2; exit 1; }
done

# slope A B [BASE]: log(B / A) over log(100 / 10); with BASE, the slope of
# the part above it (B - BASE over A - BASE) over log(99 / 9): a per-frame
# cost that does not grow with N (duplicate, flatten, save) hides how the
# part that does grows.
slope() {
  awk -v a="$1" -v b="$2" -v base="${3:-0}" 'BEGIN {
    a -= base; b -= base
    if (a > 0 && b > 0) printf "%.2f", log(b / a) / log(base == 0 ? 10 : 11); else print "n/a" }'
}

# paths_table LABEL PROFILE BUILD: per-frame seconds and PDB calls for each
# N, then the slopes from N = 10 to N = 100.
paths_table() {
  local label=$1 profile=$2 build=$3 n t1 t10 dir
  declare -A time calls
  echo
  echo "animated paths, $label (640x360, per frame of a 10-frame render less a 1-frame one):"
  printf '%6s %10s %12s  %s\n' N s/frame calls/frame "most frequent call per frame"
  for n in "${sizes[@]}"; do
    dir=$work/paths-$label-$n
    t1=$(run_runner "$profile" "$build" "$work/paths-$n.xcf" 1 1 1 "$dir-1" "$dir-1.counts")
    t10=$(run_runner "$profile" "$build" "$work/paths-$n.xcf" 10 10 1 "$dir-10" "$dir-10.counts")
    cmp -s "$dir-10/frame_000.png" "$dir-10/frame_009.png" &&
      echo "warning: N=$n: the first and the tenth frame are the same, nothing was animated" >&2
    time[$n]=$(calc "($t10 - $t1) / 9")
    calls[$n]=$(calls_per_frame 9 "$dir-10.counts" "$dir-1.counts")
    printf '%6s %10s %12s  %s\n' "$n" "${time[$n]}" "${calls[$n]}" \
      "$(top_calls 9 "$dir-10.counts" "$dir-1.counts" | head -1 | sed 's/^ *//')"
  done
  printf 'slope of log(cost) over log(N), N = 10 to 100: time %s, PDB calls %s\n' \
    "$(slope "${time[10]}" "${time[100]}")" "$(slope "${calls[10]}" "${calls[100]}")"
  printf '  of the cost above N = 1 over log(N - 1): time %s, PDB calls %s\n' \
    "$(slope "${time[10]}" "${time[100]}" "${time[1]}")" "$(slope "${calls[10]}" "${calls[100]}" "${calls[1]}")"
}
paths_table new "$work/profile" "$new_build"
[ -z "$baseline" ] || paths_table baseline "$work/base-profile" "$baseline"
