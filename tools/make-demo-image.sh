#!/usr/bin/env bash
# Rebuilds examples/demo.xcf, examples/sun.png and examples/animation.xcf
# with the suite's own procedures (run after ./setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/gimp-env.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
qv_make_profile "$work/profile" "$PWD/build" "$PWD" "$PWD/build/tools/example-timeline/qv-example-timeline"
qv_gimp_batch "$work/profile" 300 \
  "(begin (load \"$PWD/examples/make-demo-image.scm\") (qv-make-demo-image \"$PWD/examples\"))" \
  "(begin (load \"$PWD/examples/make-demo-image.scm\") (load \"$PWD/examples/make-animation-image.scm\") (qv-make-animation-image \"$PWD/examples\"))"
ls -l examples/demo.xcf examples/sun.png examples/animation.xcf
