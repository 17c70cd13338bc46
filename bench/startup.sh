#!/usr/bin/env bash
# Cold start of Murkwell.exe under Wine (prefix and wineserver warm) to its visible main window,
# five runs, median; and the sizes of both executables. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets Murkwell bramlet
source "$root/scripts/xvfb.sh"
start_xvfb
work="$(mktemp -d)"
trap 'wineserver -k >/dev/null 2>&1 || true; stop_xvfb; rm -rf "$work"' EXIT
cp "$build/windows/editor/Murkwell.exe" "$work/"
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
title="Murkwell 2.20 - Encryption Editor"
times=()
for run in 1 2 3 4 5; do
  rm -f "$work/Murkwell.ini"
  start=$(date +%s%N)
  (cd "$work" && exec wine64 ./Murkwell.exe </dev/null >/dev/null 2>&1) &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\""; do sleep 0.005; done
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  # Let the window go before the next start.
  while xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\""; do sleep 0.05; done
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start to visible window (ms): ${times[*]}; median ${sorted[2]}"
for exe in "$build/windows/editor/Murkwell.exe" "$build/windows/filemodule/bramlet.exe"; do
  stripped="$work/$(basename "$exe").stripped"
  x86_64-w64-mingw32-strip -o "$stripped" "$exe"
  echo "$(basename "$exe"): $(stat -c %s "$exe") bytes as built, $(stat -c %s "$stripped") bytes stripped"
done
