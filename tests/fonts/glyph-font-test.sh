#!/usr/bin/env bash
# The suite's menu labels and layer names carry "۞" (U+06DE): fontconfig must
# find a font that has it, or GTK draws a missing-glyph box in its place.
set -u
fonts=$(fc-list ':charset=6de' family)
if [ -z "$fonts" ]; then
  echo "FAILED: no font has U+06DE (۞); setup.sh installs fonts-noto-ui-core for it"
  exit 1
fi
echo "fonts with U+06DE:"
printf '%s\n' "$fonts" | sort -u | sed 's/^/  /'
