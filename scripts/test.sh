#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: native, then under Wine on a
# private Xvfb display. Ends with one summary line "N passed, N failed".
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build-engine.sh" || { echo "ENGINE BUILD FAILED"; exit 1; }
MW_BUILD_QUIET=1 "$root/scripts/build.sh" || { echo "BUILD FAILED"; exit 1; }

source "$root/scripts/build-wine-env.sh" || exit 1
# 0x0040000: no address-space randomisation (scripts/fixed-layout.sh says why it matters).
if (($(printf '%d' "0x$(cat /proc/self/personality 2>/dev/null || echo 0)") & 0x0040000)); then
  echo "== Wine runs without address-space randomisation"
else
  echo "== this system refused to turn address-space randomisation off: a Wine process may now and then fail to start"
fi
source "$root/scripts/xvfb.sh"
start_xvfb || exit 1
cleanup() { wineserver -k >/dev/null 2>&1 || true; stop_xvfb; }
trap cleanup EXIT

logs="$build/test-logs"
rm -rf "$logs"
mkdir -p "$logs/native" "$logs/windows"
status=0
echo "== native tests"
(cd "$build/native" && GTEST_OUTPUT="xml:$logs/native/" ctest --output-on-failure --timeout 300 ${MW_CTEST_ARGS:-}) || status=1
echo "== Windows tests under Wine (DISPLAY=$DISPLAY)"
# Wine sees the Linux file system as drive Z:.
(cd "$build/windows" && GTEST_OUTPUT="xml:Z:${logs//\//\\}\\windows\\" \
  ctest --output-on-failure --timeout 600 ${MW_CTEST_ARGS:-}) || status=1

echo "== every translation unit of the Windows tree through clang for MinGW-w64"
clang_failed=0
"$root/scripts/clang-check.py" "$build/windows" || { status=1; clang_failed=1; }

echo "== layout of every C and C++ file against .clang-format"
format_failed=0
"$root/scripts/format-check.sh" | tail -n 20 || { status=1; format_failed=1; }

# Test-case counts from the XML reports of every gtest program, plus the clang and format checks.
read -r total failed < <(cat "$logs"/native/*.xml "$logs"/windows/*.xml 2>/dev/null |
  grep -o '<testsuites [^>]*' |
  sed -E 's/.* tests="([0-9]+)".* failures="([0-9]+)".*/\1 \2/' |
  awk '{t+=$1; f+=$2} END {print t+0, f+0}')
total=$((total + 2))
failed=$((failed + clang_failed + format_failed))
passed=$((total - failed))
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
echo "${passed} passed, ${failed} failed"
exit $status
