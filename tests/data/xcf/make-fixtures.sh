#!/usr/bin/env bash
# Rebuilds the XCF fixtures of the XCF reader's tests with the installed GIMP:
# make_timeline_xcf writes bare files carrying the three timeline parasites,
# GIMP loads them, adds a layer and saves them in the versions under test.
#   plain.xcf          a new image, no timeline parasites
#   timelines-v0.xcf   timelines, version 0 (RLE tiles)
#   timelines-v8.xcf   timelines, zlib tiles (version 8)
#   timelines-v12.xcf  timelines, 32-bit float precision, zlib (version 12,
#                      64-bit offsets)
#   timelines-indexed.xcf  timelines, indexed colours (a colour map
#                      property comes before the parasites)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

g++ -std=c++17 -O1 -o "$work/make_timeline_xcf" "$here/make_timeline_xcf.cpp"
"$work/make_timeline_xcf" "$work/bare.xcf"
"$work/make_timeline_xcf" "$work/bare-zlib.xcf" zlib

cat > "$work/save.scm" <<SCM
(define (fx-layer image)
  (let ((layer (car (gimp-layer-new image 8 8 0 "bg" 100 0))))
    (gimp-image-insert-layer image layer 0 0)
    (gimp-drawable-fill layer 2)
    layer))
(define (fx-resave in out precision)
  (let* ((image (car (gimp-file-load 1 in in)))
         (layer (fx-layer image)))
    (if (> precision 0) (gimp-image-convert-precision image precision))
    (gimp-xcf-save 0 image (car (gimp-image-get-active-drawable image)) out out)))
(let* ((image (car (gimp-image-new 8 8 0)))
       (layer (fx-layer image)))
  (gimp-xcf-save 0 image layer "$here/plain.xcf" "$here/plain.xcf"))
(fx-resave "$work/bare.xcf" "$here/timelines-v0.xcf" 0)
(fx-resave "$work/bare-zlib.xcf" "$here/timelines-v8.xcf" 0)
(fx-resave "$work/bare-zlib.xcf" "$here/timelines-v12.xcf" 600)
(let* ((image (car (gimp-file-load 1 "$work/bare.xcf" "$work/bare.xcf")))
       (layer (fx-layer image)))
  (gimp-image-convert-indexed image 0 0 5 0 0 "")
  (gimp-xcf-save 0 image layer "$here/timelines-indexed.xcf" "$here/timelines-indexed.xcf"))
SCM
GIMP2_DIRECTORY="$work/profile" gimp-console-2.10 -i \
  -b "(load \"$work/save.scm\")" -b '(gimp-quit 0)'
for f in plain timelines-v0 timelines-v8 timelines-v12 timelines-indexed; do
  printf '%s: %s\n' "$f.xcf" "$(head -c 13 "$here/$f.xcf")"
done
