#!/usr/bin/env bash
# A long fuzzing run: each target for a fixed number of executions (10
# million by default), starting from its kept corpus in fuzz/corpus/<target>,
# which is then replaced by the minimised merge of old and new finds. Prints
# one line per target with executions and coverage. Crash reproducers are
# left in build-fuzz/campaign/<target>/; copy the ones worth keeping to
# fuzz/reproducers/<target>/ once the fault is mended.
#   fuzz/run-campaign.sh [RUNS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10000000}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(fuzz_chunks fuzz_timeline fuzz_path_groups fuzz_style fuzz_dates fuzz_path_block fuzz_xcf)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQV_FUZZ=ON -DQV_BUILD_GIMP=OFF > /dev/null
cmake --build build-fuzz -j2 --target "${targets[@]}" > /dev/null

top=$PWD
for t in "${targets[@]}"; do
  work=build-fuzz/campaign/$t
  rm -rf "$work" && mkdir -p "$work/grown" "$work/merged" "fuzz/corpus/$t"
  cp -r "fuzz/corpus/$t/." "$work/grown/"
  [ "$t" = fuzz_xcf ] && cp tests/data/xcf/*.xcf "$work/grown/"
  # Style texts are split into items and compared pairwise; inputs beyond a
  # few kilobytes only slow the search down.
  max_len=4096
  [ "$t" = fuzz_style ] && max_len=1024
  (cd "$work" && "$top/build-fuzz/fuzz/$t" -runs="$runs" -max_len=$max_len -print_final_stats=1 grown > log 2>&1) ||
    { echo "campaign: $t found a fault, see $work"; tail -30 "$work/log"; exit 1; }
  (cd "$work" && "$top/build-fuzz/fuzz/$t" -merge=1 merged grown > merge.log 2>&1)
  rm -rf "fuzz/corpus/$t" && cp -r "$work/merged" "fuzz/corpus/$t"
  stats=$(grep -E '^#[0-9]+.*(DONE|INITED)' "$work/log" | tail -1)
  echo "campaign: $t $(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/log") | $stats | kept $(ls "fuzz/corpus/$t" | wc -l) files"
done
