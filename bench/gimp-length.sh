#!/usr/bin/env bash
# Compares path lengths from GIMP's own stroke measurement with the suite's
# measurement procedure, in one headless GIMP session, with the time per call.
# Uses the build in QV_BUILD_DIR (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/gimp-env.sh

src=$PWD
build=${QV_BUILD_DIR:-$src/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

qv_make_profile "$work/profile" "$build" "$src"
qv_gimp_batch "$work/profile" 300 \
  "(begin (load \"$src/bench/gimp-length.scm\") (qv-bench-length \"$work/report.txt\"))" \
  > "$work/gimp.log" 2>&1 || true

if [ ! -s "$work/report.txt" ]; then
  echo "The length comparison did not finish; GIMP said:" >&2
  cat "$work/gimp.log" >&2
  exit 1
fi
cat "$work/report.txt"
