# Sourced after `root` is set: the build tree (MW_BUILD_DIR or build/), its prepared Wine prefix
# and the quiet Wine environment, for the scripts that run the built programs.
build="${MW_BUILD_DIR:-$root/build}"
export BUILD_WIN="$build/windows"
"$root/scripts/prepare-prefix.sh"
source "$root/scripts/wine-env.sh"
