#!/usr/bin/env bash
# Takes a PNG of the screen area of one program's window under Xvfb, dialogs on top included:
#   scripts/screenshot.sh editor|filemodule|keymanager OUT.png [SECONDS_TO_SETTLE]
# Runs the built program from its build directory (or from MW_PROGRAM_DIR) on a private display
# and stops it afterwards. MW_TYPE_FILE names a text file typed into the program's window first.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
which="${1:-editor}"
out="${2:-$build/screenshots/$which.png}"
settle="${3:-2}"
case "$which" in
  editor) exe="$build/windows/editor/Murkwell.exe"; title="Murkwell $(sed -nE 's/^project\(Murkwell VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt") - Encryption Editor" ;;
  filemodule) exe="$build/windows/filemodule/bramlet.exe"; title="Murkwell File - File Encryption Module" ;;
  keymanager) exe="$build/windows/keymanager/wendal.exe"; title="Murkwell Keys - Key Manager" ;;
  *) echo "usage: $0 editor|filemodule|keymanager OUT.png" >&2; exit 2 ;;
esac
source "$root/scripts/xvfb.sh"
own_display=""
prog=""
# Whatever way this script ends, the program, its Wine server and our display go with it.
cleanup() {
  if [ -n "$prog" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wait "$prog" 2>/dev/null || true
  fi
  if [ -n "$own_display" ]; then stop_xvfb; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [ -z "${DISPLAY:-}" ] || [ -n "${MW_OWN_DISPLAY:-}" ]; then start_xvfb; own_display=1; fi
mkdir -p "$(dirname "$out")"
if [ -n "${MW_PROGRAM_DIR:-}" ]; then exe="$MW_PROGRAM_DIR/$(basename "$exe")"; fi
(cd "$(dirname "$exe")" && wine64 "$exe" </dev/null >/dev/null 2>&1) &
prog=$!
id=""
for _ in $(seq 1 100); do
  id="$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | awk '{print $1}' | head -1)" || true
  [ -n "$id" ] && break
  sleep 0.1
done
sleep "$settle"
if [ -n "$id" ] && [ -n "${MW_TYPE_FILE:-}" ] && [ -s "$MW_TYPE_FILE" ]; then
  xdotool windowfocus "$id" 2>/dev/null || true
  xdotool type --delay 15 --file "$MW_TYPE_FILE" 2>/dev/null || true
  # Back to the top, as a reader starts.
  xdotool key ctrl+Home 2>/dev/null || true
  sleep 1
fi
# What a person sees: the screen inside the window's frame, so a dialog on top of it shows as it
# is drawn there instead of the window's own (possibly stale or black) contents.
shot="$(mktemp --suffix=.png)"
import -window root "$shot"
geometry=""
if [ -n "$id" ]; then
  geometry="$(xwininfo -id "$id" | awk '
    /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF}
    END { if (w > 0 && h > 0) printf "%dx%d+%d+%d", w, h, (x < 0 ? 0 : x), (y < 0 ? 0 : y) }')"
fi
if [ -n "$geometry" ]; then
  convert "$shot" -crop "$geometry" +repage "$out"
else
  cp "$shot" "$out"
fi
# The whole screen too (the setup dialog at first start may stand outside the window).
mv "$shot" "${out%.png}-screen.png"
echo "$out"
