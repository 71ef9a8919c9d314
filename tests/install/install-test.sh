#!/usr/bin/env bash
# `cmake --install` of a built tree, as different users would run it, each in
# a scratch home: every plug-in, the Scheme scripts and frameRunner must land
# in the installing user's GIMP profile and bin folder, and nothing anywhere
# else. The build's own install manifest is left alone (component
# "Unspecified", which holds every install rule, writes its own).
#
#   install-test.sh SOURCE_DIR BUILD_DIR
set -u
export LC_ALL=C
src=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qv-install-test.XXXXXX")
trap 'rm -rf "$work"; rm -f "$build/install_manifest_Unspecified.txt"' EXIT

plugins=()
for dir in "$build"/plugins/*/; do
  name=$(basename "$dir")
  [ -x "$dir/$name" ] && plugins+=("$name")
done
scripts=()
for file in "$src"/scripts/*.scm; do scripts+=("$(basename "$file")"); done

passed=0 failed=0
fail() { echo "FAILED: $case_name: $*"; failed_case=1; }

# expect ROOT PROFILE BIN [STAGE]: what ROOT holds afterwards is exactly the
# suite in PROFILE and BIN (below STAGE, DESTDIR's folder, when given), and
# the manifest, which an uninstall goes by, names those files.
expect() {
  local root=$1 profile=$2 bin=$3 stage=${4:-}
  local wanted=()
  local name
  for name in "${plugins[@]}"; do wanted+=("$profile/plug-ins/$name/$name"); done
  for name in "${scripts[@]}"; do wanted+=("$profile/scripts/$name"); done
  wanted+=("$bin/frameRunner")
  # The catalogues, where the installed programs look for them.
  local po
  for po in "$src"/po/*.po; do
    name=$(basename "$po" .po)/LC_MESSAGES/qv-path-suite.mo
    wanted+=("$profile/locale/$name" "$(dirname "$bin")/share/locale/$name")
  done
  local file
  for file in "${wanted[@]}"; do
    if [ ! -f "$stage$file" ]; then
      fail "missing $stage$file"
    elif [[ $file != *.scm && $file != *.mo && ! -x $stage$file ]]; then
      fail "not executable: $stage$file"
    fi
  done
  local extra
  extra=$(comm -13 <(printf '%s\n' "${wanted[@]/#/$stage}" | sort) <(find "$root" -type f | sort))
  [ -z "$extra" ] || fail "installed elsewhere: $extra"
  local listed
  listed=$(comm -3 <(printf '%s\n' "${wanted[@]}" | sort) <(sort "$build/install_manifest_Unspecified.txt"))
  [ -z "$listed" ] || fail "install manifest differs: $listed"
}

# run NAME [VAR=VALUE...] -- INSTALL ARGS: installs with a clean environment
# but for HOME (a scratch folder), PATH and the given variables.
run() {
  case_name=$1
  shift
  local vars=()
  while [ "$1" != -- ]; do vars+=("$1"); shift; done
  shift
  root=$work/$case_name
  mkdir -p "$root/home"
  failed_case=0
  if ! env -i PATH="$PATH" HOME="$root/home" "${vars[@]}" "$@" > "$root.log" 2>&1; then
    fail "install failed:"
    sed 's/^/    /' "$root.log"
  fi
}

# The checks of a case whose install failed would only repeat that.
expect_installed() {
  [ $failed_case -eq 0 ] && expect "$@"
}

finish() {
  if [ $failed_case -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

install=(cmake --install "$build" --component Unspecified)
# The install script itself, for settings given at install time: SETTINGS...
# go between these two.
script=(cmake -DCMAKE_INSTALL_COMPONENT=Unspecified)
script_end=(-P "$build/cmake_install.cmake")

# A user with nothing set: GIMP's default profile, ~/.local/bin.
run default -- "${install[@]}"
expect_installed "$root" "$root/home/.config/GIMP/2.10" "$root/home/.local/bin"
finish

# GIMP2_DIRECTORY names the profile, absolute or relative to the home folder.
run gimp2_directory "GIMP2_DIRECTORY=$work/gimp2_directory/profile" -- "${install[@]}"
expect_installed "$root" "$root/profile" "$root/home/.local/bin"
finish
run gimp2_directory_relative GIMP2_DIRECTORY=gimp/profile -- "${install[@]}"
expect_installed "$root" "$root/home/gimp/profile" "$root/home/.local/bin"
finish

# XDG_CONFIG_HOME moves GIMP's default profile.
run xdg_config_home "XDG_CONFIG_HOME=$work/xdg_config_home/config" -- "${install[@]}"
expect_installed "$root" "$root/config/GIMP/2.10" "$root/home/.local/bin"
finish

# Without gimptool-2.0 the same rules are applied by the install script.
for variable in "" "GIMP2_DIRECTORY=gimp/profile"; do
  run "no_gimptool${variable:+_gimp2_directory}" ${variable:+"$variable"} -- \
      "${script[@]}" -DQV_GIMPTOOL=/nonexistent/gimptool-2.0 "${script_end[@]}"
  if [ -n "$variable" ]; then
    expect_installed "$root" "$root/home/gimp/profile" "$root/home/.local/bin"
  else
    expect_installed "$root" "$root/home/.config/GIMP/2.10" "$root/home/.local/bin"
  fi
  grep -q "GIMP profile (from $([ -n "$variable" ] && echo GIMP2_DIRECTORY || echo HOME))" "$root.log" ||
    fail "the profile was not found without gimptool: $(cat "$root.log")"
  finish
done

# An explicit profile wins over GIMP2_DIRECTORY.
run explicit_profile "GIMP2_DIRECTORY=$work/explicit_profile/ignored" -- \
    "${script[@]}" "-DQV_GIMP_USER_DIR=$work/explicit_profile/chosen" "${script_end[@]}"
expect_installed "$root" "$root/chosen" "$root/home/.local/bin"
finish

# A prefix given at install time takes frameRunner; the profile stays the user's.
run prefix -- "${install[@]}" --prefix "$work/prefix/usr"
expect_installed "$root" "$root/home/.config/GIMP/2.10" "$root/usr/bin"
finish

# DESTDIR stages everything below it, at the paths of the real install.
run destdir "DESTDIR=$work/destdir/stage" -- "${install[@]}"
expect_installed "$root" "$root/home/.config/GIMP/2.10" "$root/home/.local/bin" "$root/stage"
finish

# No home folder and no profile named: a clear error, nothing installed.
case_name=no_home failed_case=0
root=$work/no_home
mkdir -p "$root"
if (cd "$root" && env -i PATH="$PATH" "${script[@]}" -DQV_GIMPTOOL=/nonexistent "${script_end[@]}") > "$root.log" 2>&1; then
  fail "installed without a home folder"
fi
grep -q "No GIMP profile folder to install into" "$root.log" || fail "unclear message: $(cat "$root.log")"
[ -z "$(find "$root" -type f)" ] || fail "files written: $(find "$root" -type f)"
finish

echo "install: $passed passed, $failed failed"
[ $failed -eq 0 ]
