#!/usr/bin/env bash
# The bundled example's timeline rendered three ways must give the same
# frame files: "plug-in-qv-render-timeline-save" in a GIMP with a display
# (the Render&Save progress window), the same procedure in a headless GIMP
# (plain loop with GIMP's progress), and frameRunner's command line. The two
# GIMP sessions first leave their tool options far apart, as an artist's
# painting would: frames must not depend on them.
#   same-frames-test.sh SOURCE_DIR BUILD_DIR
set -u
src=$1 build=$2
. "$src/tools/gimp-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
qv_make_profile "$work/profile" "$build" "$src"
# GIMP builds its sRGB profile afresh in every session, with the session's
# time in it; frames that embed it can never be the same bytes twice.
echo '(export-color-profile no)' >> "$work/profile/gimprc"
xcf=$src/examples/animation.xcf
mkdir -p "$work/window" "$work/headless" "$work/runner"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# render_with_procedure FOLDER TOOL-OPTIONS
render_with_procedure() {
  qv_gimp_batch "$work/profile" 300 \
    "(let* ((image (car (gimp-xcf-load 0 \"$xcf\" \"$xcf\")))
            (layer (car (gimp-image-get-active-layer image))))
       $2
       (plug-in-qv-render-timeline-save 1 image layer \"Demo\" \"$1/frame_010.png\" 3))" > "$1.log" 2>&1
}

(QV_GIMP_RUNNER=(xvfb-run -a -s "-screen 0 1280x1024x24")
 render_with_procedure "$work/window" '(gimp-context-set-brush-size 3) (gimp-context-set-brush-hardness 0.1)
   (gimp-context-set-brush-aspect-ratio 15) (gimp-context-set-dynamics "Velocity Tapering")')
render_with_procedure "$work/headless" '(gimp-context-set-brush "2. Star") (gimp-context-set-brush-size 90)
   (gimp-context-set-brush-angle 30) (gimp-context-set-foreground (list 0 255 0))'

GIMP2_DIRECTORY="$work/profile" "$build/tools/frameRunner/frameRunner" --xcf "$xcf" --timeline Demo \
  --frame "$work/runner/frame_010.png" --frames 3 --jobs 1 > "$work/runner.log" 2>&1 ||
  fail "frameRunner reported a failure: $(cat "$work/runner.log")"

for n in 010 011 012; do
  for way in window headless runner; do
    [ -s "$work/$way/frame_$n.png" ] || fail "$way did not write frame_$n.png"
  done
  cmp -s "$work/window/frame_$n.png" "$work/headless/frame_$n.png" || fail "frame_$n.png: window and headless differ"
  cmp -s "$work/headless/frame_$n.png" "$work/runner/frame_$n.png" || fail "frame_$n.png: headless and frameRunner differ"
done
[ -e "$work/headless/frame_009.png" ] && fail "a frame before the first was written"
[ -e "$work/headless/frame_013.png" ] && fail "a frame after the last was written"
# The animation moves: the frames are not all the same picture.
cmp -s "$work/headless/frame_010.png" "$work/headless/frame_012.png" && fail "frames 10 and 12 are identical"

if [ "$failures" -gt 0 ]; then
  echo "same-frames-test: $failures failure(s)"
  for log in "$work"/*.log; do echo "== $log"; tail -20 "$log"; done
  exit 1
fi
echo "same-frames-test: ok"
