#!/usr/bin/env bash
# The farm recipe of the README on this machine: --plan's blocks run by GNU
# parallel, one frameRunner a block (local jobs only). Every frame is
# written by exactly one block (checked with the fake GIMP, which logs its
# blocks), and with the real GIMP the frames equal those of one process.
#   parallel-test.sh SOURCE_DIR BUILD_DIR
set -u
# The tests compare the suite's English texts, whatever the session's language.
export LANGUAGE=C
src=$1 build=$2
. "$src/tools/gimp-env.sh"
runner=$build/tools/frameRunner/frameRunner
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v parallel > /dev/null || { echo "FAIL: GNU parallel is not installed (setup.sh installs it)"; exit 1; }

# The fake GIMP: 45 frames in blocks of 10, four frameRunners at once.
export FAKE_LOG=$work/calls FAKE_RUNNING=$work/running
mkdir -p "$work/running" "$work/fake"
args=(--xcf "$src/tests/data/xcf/timelines-v0.xcf" --timeline Intro --gimp "$src/tests/frameRunner/fake-gimp.sh"
      --frame "$work/fake/f_000.png" --frames 45)
"$runner" "${args[@]}" --block-size 10 --plan |
  parallel --will-cite --colsep ' ' -j 4 "$runner" "${args[@]}" --from {1} --frames {2} --jobs 1 --quiet \
  > "$work/fake.log" 2>&1 || fail "parallel run with the fake GIMP failed: $(tail -n 5 "$work/fake.log")"
[ "$(ls "$work/fake" | wc -l)" -eq 45 ] || fail "the fake run wrote $(ls "$work/fake" | wc -l) frames, not 45"
# Each logged block is "FIRST COUNT ...": together they cover 0..44 once.
covered=$(awk '{ for (i = $1; i < $1 + $2; i++) print i }' "$FAKE_LOG" | sort -n | uniq -c | awk '$1 != 1' | wc -l)
[ "$covered" -eq 0 ] || fail "$covered frames were rendered by more than one block"
[ "$(awk '{ s += $2 } END { print s }' "$FAKE_LOG")" = 45 ] || fail "the blocks do not add up to 45 frames"

# The real GIMP: 6 frames of the demo timeline in blocks of 2, against one
# process rendering all 6.
qv_make_profile "$work/profile" "$build" "$src"
echo '(export-color-profile no)' >> "$work/profile/gimprc"
export GIMP2_DIRECTORY=$work/profile
mkdir -p "$work/farm" "$work/single"
real=(--xcf "$src/examples/animation.xcf" --timeline Demo --frames 6)
"$runner" "${real[@]}" --frame "$work/single/frame_000.png" --block-size 6 --quiet > "$work/single.log" 2>&1 ||
  fail "the single render failed: $(tail -n 5 "$work/single.log")"
"$runner" "${real[@]}" --frame "$work/farm/frame_000.png" --block-size 2 --plan |
  parallel --will-cite --colsep ' ' -j 2 "$runner" "${real[@]}" --frame "$work/farm/frame_000.png" \
    --from {1} --frames {2} --jobs 1 --quiet > "$work/farm.log" 2>&1 ||
  fail "the parallel render failed: $(tail -n 5 "$work/farm.log")"
for n in 000 001 002 003 004 005; do
  cmp -s "$work/single/frame_$n.png" "$work/farm/frame_$n.png" || fail "frame_$n.png differs from the single render"
done

if [ $failures -gt 0 ]; then echo "parallel: $failures failure(s)"; exit 1; fi
echo "parallel: ok"
