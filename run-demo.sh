#!/usr/bin/env bash
# The suite's main job: sets up and builds when needed, installs the plug-ins
# into a private GIMP profile under out/demo/, starts GIMP without a window
# and runs the demo Script-Fu program. The user's own GIMP profile is never
# touched.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
. tools/gimp-env.sh

out=$PWD/out/demo
mkdir -p "$out"
rm -f "$out/report.txt" "$out/demo.xcf" "$out/styled.png" "$out/draw-report.txt" "$out/frames.txt" \
  "$out/demo.mp4" "$out/demo.gif"
rm -rf "$out/frames"
mkdir -p "$out/frames"
qv_make_profile "$out/profile" "$PWD/build" "$PWD"

qv_gimp_batch "$out/profile" 300 \
  "(begin (load \"$PWD/examples/demo-style.scm\") (qv-demo-style \"$out/demo.xcf\" \"$out/report.txt\"))" \
  "(begin (load \"$PWD/examples/demo-draw.scm\") (qv-demo-draw \"$PWD/examples/demo.xcf\" \"$out/styled.png\" \"$out/draw-report.txt\"))" \
  > "$out/gimp.log" 2>&1 || true

# The main job: the timeline "Demo" of the bundled animation example, all of
# its frames, rendered by the batch launcher with GIMP started headless.
echo '(export-color-profile no)' >> "$out/profile/gimprc"
# The frames then become a film and an animated GIF: the second call finds
# every frame on disk (--resume) and only assembles them.
GIMP2_DIRECTORY="$out/profile" build/tools/frameRunner/frameRunner --xcf examples/animation.xcf \
  --timeline Demo --frame "$out/frames/frame_000.png" --block-size 25 --video "$out/demo.mp4" \
  > "$out/frames.txt" 2>&1 &&
  build/tools/frameRunner/frameRunner --xcf examples/animation.xcf --timeline Demo \
    --frame "$out/frames/frame_000.png" --resume --video "$out/demo.gif" >> "$out/frames.txt" 2>&1 || {
  echo "Rendering the timeline failed:" >&2
  cat "$out/frames.txt" >&2
  exit 1
}

if [ ! -s "$out/report.txt" ] || [ ! -s "$out/demo.xcf" ] || [ ! -s "$out/styled.png" ] ||
   [ ! -s "$out/frames/frame_049.png" ] || [ ! -s "$out/demo.mp4" ] || [ ! -s "$out/demo.gif" ]; then
  echo "The demo did not finish; GIMP said:" >&2
  cat "$out/gimp.log" >&2
  exit 1
fi
echo "== What the demo did =="
cat "$out/report.txt" "$out/draw-report.txt"
echo "Rendered the timeline \"Demo\" of examples/animation.xcf (50 frames, 25 per second) with frameRunner:"
grep -v -e GEGL -e GeglBuffers -e 'using gegl copy' "$out/frames.txt" || true
echo "  $out/frames/frame_000.png ... frame_049.png, $out/demo.mp4 and $out/demo.gif"
echo "== GIMP's messages =="
grep -v -e '^$' -e 'using gegl copy' -e 'GEGL-WARNING' -e 'GeglBuffers leaked' -e 'batch command executed successfully' "$out/gimp.log" || true
echo "Files are in $out"
