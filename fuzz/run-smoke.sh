#!/usr/bin/env bash
# Builds the fuzz targets with clang exactly as the README says and runs each
# for a while (20 s by default), so that a decoder change that crashes, or a
# fuzz build that no longer compiles, fails CI. Installs clang when missing.
#   fuzz/run-smoke.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
targets=(fuzz_chunks fuzz_xcf fuzz_timeline fuzz_path_groups fuzz_style fuzz_dates fuzz_path_block)

if ! command -v clang++ > /dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq clang
fi

mkdir -p build-fuzz
log=build-fuzz/smoke-build.log
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQV_FUZZ=ON -DQV_BUILD_GIMP=OFF > "$log" 2>&1 ||
  { cat "$log"; exit 1; }
cmake --build build-fuzz -j2 --target "${targets[@]}" >> "$log" 2>&1 || { tail -40 "$log"; exit 1; }

top=$PWD
for t in "${targets[@]}"; do
  # libFuzzer adds what it finds to its corpus folder and writes crash
  # reproducers into the working folder: both stay out of the tree. The XCF
  # reader starts from the test images.
  work=$(mktemp -d)
  mkdir "$work/corpus"
  [ "$t" = fuzz_xcf ] && cp tests/data/xcf/*.xcf "$work/corpus/"
  if ! (cd "$work" && "$top/build-fuzz/fuzz/$t" -max_total_time="$seconds" corpus > log 2>&1); then
    echo "fuzz: $t failed:"
    tail -40 "$work/log"
    ls "$work"
    exit 1
  fi
  echo "fuzz: $t $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$work/log" | tail -1)"
  rm -rf "$work"
done
