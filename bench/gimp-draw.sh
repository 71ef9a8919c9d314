#!/usr/bin/env bash
# Times "4. Draw Path" against the same GIMP work done by plain Script-Fu, in
# one headless GIMP session. Usage: bench/gimp-draw.sh [repetitions]
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/gimp-env.sh
n=${1:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
qv_make_profile "$work/profile" "$PWD/build" "$PWD"
qv_gimp_batch "$work/profile" 600 \
  "(begin (load \"$PWD/tests/e2e/qvtest.scm\") (load \"$PWD/bench/gimp-draw.scm\") (qv-bench-draw $n \"$work/report.txt\"))" > "$work/log" 2>&1 || true
if [ ! -s "$work/report.txt" ]; then cat "$work/log"; exit 1; fi
cat "$work/report.txt"
