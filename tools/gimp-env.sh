# Shell helpers shared by the demo, the test harness and the benchmarks:
# a private GIMP profile holding the suite, and a headless GIMP run in it.
# The user's own GIMP profile is never touched.

QV_GIMP_CONSOLE=${QV_GIMP_CONSOLE:-gimp-console-2.10}

# qv_make_profile DIR BUILD_DIR SOURCE_DIR [extra plug-in executables...]
# Creates a fresh profile with the suite's plug-ins (symlinks to the build) and
# Scheme scripts. GIMP only sets a profile up itself when the folder does not
# exist, so the data folders and an empty tags.xml are made here.
qv_make_profile() {
  local dir=$1 build=$2 src=$3
  shift 3
  rm -rf "$dir"
  mkdir -p "$dir/plug-ins" "$dir/scripts"
  local sub
  for sub in brushes dynamics fonts gradients palettes patterns tool-presets \
             mypaint-brushes themes icons templates interpreters environ \
             modules filters tmp fractalexplorer gfig gflare gimpressionist \
             curves levels; do
    mkdir -p "$dir/$sub"
  done
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<tags>\n</tags>\n' > "$dir/tags.xml"
  local plugin
  for plugin in "$build"/plugins/*/; do
    local name
    name=$(basename "$plugin")
    [ -x "$plugin/$name" ] || continue
    mkdir -p "$dir/plug-ins/$name"
    ln -s "$(cd "$plugin" && pwd)/$name" "$dir/plug-ins/$name/$name"
  done
  local extra
  for extra in "$@"; do
    local name
    name=$(basename "$extra")
    mkdir -p "$dir/plug-ins/$name"
    ln -s "$(cd "$(dirname "$extra")" && pwd)/$name" "$dir/plug-ins/$name/$name"
  done
  if compgen -G "$src/scripts/*.scm" > /dev/null; then
    cp "$src"/scripts/*.scm "$dir/scripts/"
  fi
}

# qv_gimp_batch PROFILE TIMEOUT PROGRAM... : runs each PROGRAM as a Script-Fu
# batch command in a headless GIMP using PROFILE, then quits. A GIMP that
# does not finish within TIMEOUT seconds is killed (exit code 124). The array
# QV_GIMP_RUNNER, when set, is put in front of GIMP (xvfb-run for dialogs).
qv_gimp_batch() {
  local profile=$1 limit=$2
  shift 2
  local args=()
  local program
  for program in "$@"; do
    args+=(-b "$program")
  done
  GIMP2_DIRECTORY="$profile" timeout -k 10 "$limit" \
    ${QV_GIMP_RUNNER[@]+"${QV_GIMP_RUNNER[@]}"} "$QV_GIMP_CONSOLE" -i --no-splash "${args[@]}" -b '(gimp-quit 0)' < /dev/null
}
