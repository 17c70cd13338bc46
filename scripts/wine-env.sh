# Sourced by the other scripts: the private Wine prefix of a build tree and a quiet Wine.
# Needs BUILD_WIN (the Windows build tree) to be set.
export WINEPREFIX="${BUILD_WIN:?}/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
export PATH="/usr/lib/wine:$PATH"
