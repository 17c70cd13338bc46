#!/usr/bin/env bash
# ctest's emulator for the Windows test programs. Wine's background processes would inherit
# ctest's pipes and make it wait, so the server is started detached and the program's output
# goes through a file.
source "$(dirname "$0")/fixed-layout.sh"
source "$(dirname "$0")/wine-env.sh"
wineserver -p60 </dev/null >/dev/null 2>&1 && wine64 wineboot </dev/null >/dev/null 2>&1
out="$(mktemp)"
wine64 "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
