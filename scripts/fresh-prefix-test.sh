#!/usr/bin/env bash
# Runs a Windows test program in a Wine prefix made for this run alone: for tests whose subject
# changes the prefix itself (an installation writes into the user's profile and the registry), so
# that what they find there is what a new user has. The prefix goes again afterwards.
# Usage: fresh-prefix-test.sh WINDOWS_BUILD_TREE NAME PROGRAM [ARGUMENTS...]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_WIN="$1/$2"
# A report folder would get the program's own report name, which its usual run also writes.
case "${GTEST_OUTPUT:-}" in
  xml:*[\\/]) export GTEST_OUTPUT="${GTEST_OUTPUT}$2.xml" ;;
esac
shift 2
stop_server() { (source "$root/scripts/wine-env.sh"; wineserver -k >/dev/null 2>&1 || true); }
# A run that was cut short may have left its server and its prefix.
stop_server
rm -rf "$BUILD_WIN"
mkdir -p "$BUILD_WIN"
"$root/scripts/prepare-prefix.sh" || { echo "fresh-prefix-test: no Wine prefix in $BUILD_WIN"; exit 1; }
"$root/scripts/wine-emulator.sh" "$@"
status=$?
stop_server
rm -rf "$BUILD_WIN"
exit $status
