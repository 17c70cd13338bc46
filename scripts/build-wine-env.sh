# Sourced after `root` is set: the build tree (MW_BUILD_DIR or build/), its prepared Wine prefix
# and the quiet Wine environment, for the scripts that run the built programs.
build="${MW_BUILD_DIR:-$root/build}"
# The Wine prefix lives in BUILD_WIN: the Windows tree's, unless MW_PREFIX_TREE names another folder
# (a check that must see a new user's prefix).
export BUILD_WIN="${MW_PREFIX_TREE:-$build/windows}"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"
# Builds these targets of the Windows tree, configuring both trees first if they are not yet.
build_targets() {
  [ -f "$build/windows/build.ninja" ] || MW_BUILD_QUIET=1 "$root/scripts/build.sh"
  cmake --build "$build/windows" --target "$@" >/dev/null
}
