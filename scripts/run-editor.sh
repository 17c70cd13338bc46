#!/usr/bin/env bash
# Installs what is missing, builds both programs and starts Murkwell.exe under Wine. Without a
# display it starts a virtual one, saves a screenshot of the editor and prints where it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build-engine.sh"
MW_BUILD_QUIET=1 "$root/scripts/build.sh"
source "$root/scripts/build-wine-env.sh"
if [ -n "${DISPLAY:-}" ]; then
  cd "$build/windows/editor"
  exec wine64 ./Murkwell.exe
fi
png="$("$root/scripts/screenshot.sh" editor "$build/screenshots/editor.png")"
echo "No display here: the editor ran on a virtual display and its window was saved to"
echo "  $png"
echo "(the whole screen is in ${png%.png}-screen.png). Open it with any image viewer,"
echo "or run this command again on a machine with a display to use the editor."
