#!/usr/bin/env bash
# A path copied in one GIMP run is pasted in a second GIMP run of the same
# user into another image: the clipboard store outlives both. The first run
# has a display (Xvfb), the second none. The text clipboard likewise.
#   two-runs-test.sh SOURCE_DIR BUILD_DIR
set -u
src=$1 build=$2
. "$src/tools/gimp-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
qv_make_profile "$work/profile" "$build" "$src"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The first run: a styled path "Star", copied; a text put on the clipboard.
(QV_GIMP_RUNNER=(xvfb-run -a -s "-screen 0 800x600x24")
 qv_gimp_batch "$work/profile" 120 \
  "(let* ((image (car (gimp-image-new 40 40 RGB)))
          (layer (car (gimp-layer-new image 40 40 RGBA-IMAGE \"L\" 100 LAYER-MODE-NORMAL)))
          (star (car (gimp-vectors-new image \"Star\"))))
     (gimp-image-insert-layer image layer 0 -1)
     (gimp-image-insert-vectors image star 0 -1)
     (gimp-vectors-stroke-new-from-points star 0 12 (vector 1 2 1 2 1 2 30 4 30 4 30 4) FALSE)
     (gimp-image-set-active-vectors image star)
     (plug-in-qv-path-set-style-attribute image \"Star\" \"fill\" \"255 0 0\")
     (plug-in-qv-path-copy 1 image layer)
     (plug-in-qv-set-clipboard \"from the first run\")
     (let ((port (open-output-file \"$work/first\"))) (display \"ok\" port) (close-output-port port)))" \
  > "$work/first.log" 2>&1)
[ -e "$work/first" ] || { fail "the first run did not finish"; tail -20 "$work/first.log"; }

# The second run, without a display: paste into a new image and report.
qv_gimp_batch "$work/profile" 120 \
  "(let* ((image (car (gimp-image-new 40 40 RGB)))
          (layer (car (gimp-layer-new image 40 40 RGBA-IMAGE \"L\" 100 LAYER-MODE-NORMAL)))
          (port (open-output-file \"$work/second\")))
     (gimp-image-insert-layer image layer 0 -1)
     (plug-in-qv-path-paste 1 image layer)
     (let* ((star (car (gimp-image-get-vectors-by-name image \"Star\")))
            (stroke (vector-ref (cadr (gimp-vectors-get-strokes star)) 0)))
       (write (list (car (gimp-item-get-name star))
                    (caddr (gimp-vectors-stroke-get-points star stroke))
                    (car (plug-in-qv-path-get-style-attribute image \"Star\" \"fill\"))
                    (car (plug-in-qv-get-clipboard)))
              port))
     (close-output-port port))" > "$work/second.log" 2>&1
expected='("Star" #(1.0 2.0 1.0 2.0 1.0 2.0 30.0 4.0 30.0 4.0 30.0 4.0) "255 0 0" "from the first run")'
if [ "$(cat "$work/second" 2> /dev/null)" != "$expected" ]; then
  fail "the second run pasted $(cat "$work/second" 2> /dev/null || echo nothing), expected $expected"
  tail -20 "$work/second.log"
fi
[ $failures -eq 0 ] && echo "clipboard across GIMP runs: ok"
exit $((failures > 0))
