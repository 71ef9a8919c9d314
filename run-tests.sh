#!/usr/bin/env bash
# Sets up and builds when needed, then runs every test: unit tests, live tests
# inside a headless GIMP, and end-to-end Script-Fu tests.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
