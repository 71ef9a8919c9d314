#!/usr/bin/env bash
# Runs one live or end-to-end test file in a fresh headless GIMP and turns its
# result files into an exit code for ctest.
#
#   gimp-test.sh [--display] [--timeout S] live NAME GTEST_FILTER
#   gimp-test.sh [--display] [--timeout S] e2e  NAME FILE.scm
#
# gimp-console exits 0 even when a batch program fails, so the verdict comes
# only from the result files: every case writes its own, and a closing "done"
# file proves the run reached its end. A missing "done" is a failure (crash,
# Scheme error or hang).
set -u
# The tests compare the suite's English texts, whatever the session's language.
export LANGUAGE=C

display=0
limit=${QV_GIMP_TIMEOUT:-240}
while [ $# -gt 0 ]; do
  case $1 in
    --display) display=1; shift ;;
    --timeout) limit=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || { echo "usage: $0 [--display] [--timeout S] live|e2e NAME ARG" >&2; exit 2; }
kind=$1 name=$2 arg=$3
# Script-Fu resolves relative file names against its own folder.
if [ "$kind" = e2e ] && [ -e "$arg" ]; then arg=$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg"); fi

here=$(cd "$(dirname "$0")" && pwd)
src=${QV_SOURCE_DIR:-$(dirname "$here")}
build=${QV_BUILD_DIR:-$src/build}
. "$src/tools/gimp-env.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/qv-test-$name.XXXXXX")
trap 'rm -rf "$work"' EXIT
results=$work/results
mkdir -p "$results"
export QV_TEST_TMP=$work/tmp
mkdir -p "$QV_TEST_TMP"
# GTK keeps the file chooser's state (a typed location or the path bar) in
# the user's configuration: each test starts from GTK's defaults and leaves
# the user's own untouched.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"

case $kind in
  live)
    qv_make_profile "$work/profile" "$build" "$src" "$build/tests/qv-selftest/qv-selftest"
    program="(plug-in-qv-selftest RUN-NONINTERACTIVE \"$arg\" \"$results\")"
    ;;
  e2e)
    qv_make_profile "$work/profile" "$build" "$src"
    program="(begin (load \"$src/tests/e2e/qvtest.scm\") (qv-test-file \"$arg\" \"$results\" \"$src\" \"$QV_TEST_TMP\"))"
    ;;
  *) echo "unknown test kind '$kind'" >&2; exit 2 ;;
esac

QV_GIMP_RUNNER=()
if [ $display -eq 1 ]; then
  QV_GIMP_RUNNER=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
  # Dialog code must see that there is no display, whatever the caller has.
  unset DISPLAY
fi

log=${QV_TEST_LOG:-$work/gimp.log}
(cd "$work" && qv_gimp_batch "$work/profile" "$limit" "$program") > "$log" 2>&1
rc=$?

passed=0 failed=0
for f in "$results"/*.pass; do
  [ -e "$f" ] || continue
  passed=$((passed + 1))
done
for f in "$results"/*.fail; do
  [ -e "$f" ] || continue
  failed=$((failed + 1))
  echo "FAILED: $(head -n 1 "$f")"
  tail -n +2 "$f" | sed 's/^/    /'
done

verdict=ok
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  verdict="GIMP did not finish within ${limit}s (hang)"
elif [ ! -e "$results/done" ]; then
  verdict="the test file did not run to its end (crash or Scheme error)"
elif [ $((passed + failed)) -eq 0 ]; then
  verdict="no test case ran"
elif [ $failed -gt 0 ]; then
  verdict="$failed case(s) failed"
fi

if [ "$verdict" != ok ]; then
  echo "---- GIMP output (last 60 lines) ----"
  tail -n 60 "$log"
  echo "-------------------------------------"
  echo "QV-TEST $kind $name: FAILED: $verdict"
  echo "$passed passed, $failed failed"
  exit 1
fi
echo "QV-TEST $kind $name: ok"
echo "$passed passed, $failed failed"
exit 0
