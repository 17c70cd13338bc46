#!/usr/bin/env bash
# Runs a Windows test program in a Wine prefix made for this run alone: for tests whose subject
# changes the prefix itself (an installation writes into the user's profile and the registry), so
# that what they find there is what a new user has. The prefix goes again afterwards.
# Usage: fresh-prefix-test.sh WINDOWS_BUILD_TREE NAME PROGRAM [ARGUMENTS...]
# MW_LOG_PIXELS=N gives the prefix's screen N dots per inch (96 is 100%).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
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
if [ -n "${MW_LOG_PIXELS:-}" ]; then
  # Wine reads the screen's DPI from either key, by version; the server must start afresh to see it.
  (source "$root/scripts/wine-env.sh"
   for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
     wine64 reg add "$key" /v LogPixels /t REG_DWORD /d "$MW_LOG_PIXELS" /f </dev/null >/dev/null 2>&1 || exit 1
   done
   wineserver -w) || { echo "fresh-prefix-test: LogPixels not set"; exit 1; }
fi
"$root/scripts/wine-emulator.sh" "$@"
status=$?
stop_server
rm -rf "$BUILD_WIN"
exit $status
