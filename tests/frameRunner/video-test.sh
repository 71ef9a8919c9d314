#!/usr/bin/env bash
# frameRunner --video: frames assembled by ffmpeg into MP4, WebM, GIF, WebP
# and APNG with the frame count, rate and size of the frames; bad outputs
# refused before anything starts; a failing ffmpeg leaves no file under the
# output's name and keeps the frames. Progress lines in a log.
# The frames are made by ffmpeg's test source (30 frames, 64×48), so the
# assembly is tested without GIMP: --resume finds every frame on disk.
#   video-test.sh FRAMERUNNER XCF_WITH_TIMELINES FAKE_GIMP
set -u
# The tests compare the suite's English texts, whatever the session's language.
export LANGUAGE=C
runner=$1 xcf=$2 fake=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export FAKE_LOG=$work/calls FAKE_RUNNING=$work/running
mkdir -p "$work/running" "$work/frames" "$work/out"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }

ffmpeg -v error -f lavfi -i testsrc=size=64x48:rate=25 -frames:v 30 -start_number 0 "$work/frames/f_%03d.png" ||
  { echo "FAIL: ffmpeg cannot make the test frames"; exit 1; }
assemble() { "$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" --frame "$work/frames/f_000.png" \
  --frames 30 --resume --video "$@" > "$work/stdout" 2> "$work/stderr"; }
probe() { ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=nb_read_frames,width,height -of csv=p=0 "$1"; }
# ffmpeg decodes no animated WebP: its canvas (VP8X) and frames (ANMF) are
# read from the RIFF chunks.
probe_webp() { python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:4] == b"RIFF" and data[8:12] == b"WEBP"
at, frames, size = 12, 0, None
while at + 8 <= len(data):
    tag, length = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    if tag == b"VP8X":
        body = data[at + 8:at + 18]
        size = (int.from_bytes(body[4:7], "little") + 1, int.from_bytes(body[7:10], "little") + 1)
    frames += tag == b"ANMF"
    at += 8 + length + (length & 1)
print(f"{size[0]},{size[1]},{frames}")
PY
}

# Every format: 30 frames of 64×48 (the GIF, WebP and APNG keep the size).
for ext in mp4 webm gif webp apng; do
  assemble "$work/out/film.$ext"
  status=$?
  check "$ext: exit 0 (got $status: $(cat "$work/stderr"))" [ $status -eq 0 ]
  [ $status -eq 0 ] || continue
  if [ $ext = webp ]; then got=$(probe_webp "$work/out/film.$ext"); else got=$(probe "$work/out/film.$ext"); fi
  check "$ext: 64×48 and 30 frames (ffprobe: $got)" [ "$got" = "64,48,30" ]
done
rate=$(ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$work/out/film.mp4")
check "mp4 at the timeline's 25 frames/s (got $rate)" [ "$rate" = 25/1 ]
check "no temporary file is left" [ -z "$(ls -A "$work/out" | grep '^\.')" ]

# Frame 25 back out of the films: the APNG exactly, the MP4 within
# 35 dB PSNR of the frame file (H.264 at CRF 18 on a test pattern).
rgb() { ffmpeg -v error -i "$1" "${@:2}" -frames:v 1 -f rawvideo -pix_fmt rgb24 -; }
check "APNG frame 25 is frame_025.png exactly" \
  cmp -s <(rgb "$work/out/film.apng" -vf "select=eq(n\,25)") <(rgb "$work/frames/f_025.png")
psnr=$(ffmpeg -v info -i "$work/out/film.mp4" -i "$work/frames/f_%03d.png" -lavfi "[0:v][1:v]psnr" -f null - 2>&1 |
  sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n 1)
check "MP4 within 35 dB PSNR of the frames (got $psnr)" awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p + 0 >= 35) }'

# Bad outputs are refused before anything starts (exit 2).
for bad in "$work/out/film.avi" "$work/none/film.mp4"; do
  assemble "$bad"
  check "refused: $bad (exit 2)" [ $? -eq 2 ]
  check "said why: $bad" grep -q -e 'unknown kind' -e 'does not exist' "$work/stderr"
done
QV_FFMPEG=$work/no-ffmpeg assemble "$work/out/x.mp4"
check "no ffmpeg: refused (exit 2)" [ $? -eq 2 ]

# ffmpeg failing halfway: its half file is removed, nothing under the name.
cat > "$work/bad-ffmpeg" <<'SH'
#!/bin/sh
for last; do :; done
echo half > "$last"
echo "Conversion failed!" >&2
exit 1
SH
chmod +x "$work/bad-ffmpeg"
QV_FFMPEG=$work/bad-ffmpeg assemble "$work/out/broken.mp4"
check "failing ffmpeg: exit 3" [ $? -eq 3 ]
check "failing ffmpeg: its words are passed on" grep -q "Conversion failed" "$work/stderr"
check "failing ffmpeg: no file under the name, no temporary file" [ -z "$(ls -A "$work/out" | grep broken)" ]
check "the frames are kept" [ "$(ls "$work/frames" | wc -l)" -eq 30 ]

# A frame missing from the range: no video.
rm "$work/frames/f_010.png"
"$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" --frame "$work/frames/f_000.png" --frames 30 \
  --from 0 --video "$work/out/gap.mp4" --block-size 100 > "$work/stdout" 2> "$work/stderr"
check "a frame rendered again fills the gap (fake frames are no pictures, so ffmpeg fails: exit 3)" [ $? -eq 3 ]
check "no video from frames that are no pictures" [ ! -e "$work/out/gap.mp4" ]

# Progress in a log: plain lines, the last one complete; --quiet: none.
mkdir -p "$work/p"
FAKE_FRAME_SECONDS=0.05 "$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" --frame "$work/p/f_000.png" \
  --frames 20 --block-size 10 > "$work/log" 2>&1
check "progress ends with 20/20 frames" grep -q '^frameRunner: 20/20 frames, .* frames/s, .* elapsed, 0:00 left$' "$work/log"
check "no terminal codes in a log" [ -z "$(grep -c $'\r' "$work/log" | grep -v '^0$')" ]
rm -rf "$work/p" && mkdir -p "$work/p"
FAKE_FRAME_SECONDS=0.05 "$runner" --xcf "$xcf" --timeline Intro --gimp "$fake" --frame "$work/p/f_000.png" \
  --frames 20 --block-size 10 --quiet > "$work/log" 2>&1
check "--quiet: no progress line" [ "$(grep -c ' frames, ' "$work/log")" -eq 0 ]

if [ $failures -gt 0 ]; then echo "video: $failures failure(s)"; exit 1; fi
echo "video: ok"
