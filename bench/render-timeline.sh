#!/usr/bin/env bash
# Times the rendering of a 50-frame timeline of a 1280x720 image (the
# animation example, scaled) three ways, each in its own GIMP start:
#   plain     a Script-Fu loop doing the same GIMP work per frame
#             (duplicate, draw the same paths with the same calls, save,
#             delete), the baseline;
#   runner-1  frameRunner with one GIMP process;
#   runner-2  frameRunner with two GIMP processes (two blocks of 25).
# Prints seconds per frame and the ratios. Usage: bench/render-timeline.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/gimp-env.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
qv_make_profile "$work/profile" "$PWD/build" "$PWD"
echo '(export-color-profile no)' >> "$work/profile/gimprc"
# The example's script keyspline names its script relative to the image.
cp examples/stamp.scm "$work/"
qv_gimp_batch "$work/profile" 300 \
  "(begin (load \"$PWD/bench/render-timeline.scm\") (qv-bench-make-image \"$PWD/examples/animation.xcf\" \"$work/bench.xcf\"))" \
  > "$work/make.log" 2>&1 || true
[ -s "$work/bench.xcf" ] || { cat "$work/make.log"; exit 1; }

seconds() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
frames=50
mkdir -p "$work/plain" "$work/runner-1" "$work/runner-2"

start=$(seconds)
qv_gimp_batch "$work/profile" 1200 \
  "(begin (load \"$PWD/bench/render-timeline.scm\") (qv-bench-plain \"$work/bench.xcf\" \"$work/plain\" $frames \"$work/plain.txt\"))" \
  > "$work/plain.log" 2>&1 || true
plain=$(calc "$(seconds) - $start")
[ -s "$work/plain.txt" ] || { echo "the Script-Fu baseline failed:"; tail -20 "$work/plain.log"; exit 1; }

run_runner() {
  local jobs=$1 block=$2 out=$3
  local begin
  begin=$(seconds)
  GIMP2_DIRECTORY="$work/profile" build/tools/frameRunner/frameRunner --xcf "$work/bench.xcf" --timeline Demo \
    --frame "$out/frame_000.png" --frames $frames --block-size "$block" --jobs "$jobs" > "$out.log" 2>&1 ||
    { echo "frameRunner failed:"; tail -20 "$out.log"; exit 1; }
  calc "$(seconds) - $begin"
}
one=$(run_runner 1 $frames "$work/runner-1")
two=$(run_runner 2 $((frames / 2)) "$work/runner-2")

for way in plain runner-1 runner-2; do
  count=$(ls "$work/$way" | wc -l)
  [ "$count" -eq $frames ] || { echo "$way wrote $count frames, not $frames"; exit 1; }
done
per() { calc "$1 / $frames"; }
printf '%-44s %8s s/frame\n' "plain Script-Fu loop (baseline), 1 GIMP" "$(per "$plain")"
printf '%-44s %8s s/frame\n' "frameRunner, 1 GIMP process" "$(per "$one")"
printf '%-44s %8s s/frame\n' "frameRunner, 2 GIMP processes" "$(per "$two")"
printf 'suite / baseline (1 process): %s\n' "$(calc "$one / $plain")"
printf 'speed-up of 2 processes over 1: %s\n' "$(calc "$one / $two")"
