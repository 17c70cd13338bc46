#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: boot, no window-manager delay, Windows font names.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
marker="$WINEPREFIX/.murkwell-prepared"
# Wine draws the caption buttons of its own frames with Marlett, which it does not find on its own.
install_marlett() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
}
if [ -f "$marker" ]; then install_marlett; exit 0; fi
mkdir -p "$WINEPREFIX"
# A prefix whose boot failed is not marked, so the next run tries again instead of using it.
if ! wine64 wineboot -i </dev/null >/dev/null 2>&1; then
  echo "prepare-prefix: wineboot failed in $WINEPREFIX" >&2
  exit 1
fi
reg() { wine64 reg add "$@" /f </dev/null >/dev/null 2>&1; }
# Without a window manager, hiding a managed window costs 2 s; unmanaged windows close at once.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# The programs ask for Windows fonts; Debian's Liberation fonts have the same metrics.
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'Liberation Mono'
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Sans Serif' /t REG_SZ /d 'Liberation Sans'
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /t REG_SZ /d 'Liberation Serif'
wineserver -w </dev/null >/dev/null 2>&1 || true
install_marlett
touch "$marker"
