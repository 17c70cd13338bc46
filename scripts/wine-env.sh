# Sourced by the other scripts: the private Wine prefix of a build tree and a quiet Wine.
# Needs BUILD_WIN (the Windows build tree) to be set.
export WINEPREFIX="${BUILD_WIN:?}/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
export PATH="/usr/lib/wine:$PATH"
# Wine maps Windows file names to Unix ones through the Unix locale; without a UTF-8 one (a bare
# environment, a container, a fresh minimal system) names such as "résumé" cannot be created.
# A working UTF-8 locale the caller set is kept; `locale charmap` also catches one that is named
# but not installed.
if [ "$(locale charmap 2>/dev/null)" != "UTF-8" ]; then
  export LC_ALL=C.UTF-8
fi
