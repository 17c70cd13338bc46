#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when they are all there.
set -euo pipefail

packages=(
  cmake make ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 xvfb xauth x11-utils imagemagick
  fonts-liberation2 fonts-wine
  python3 ccache clang clang-format-14 xdotool nsis
  cups printer-driver-cups-pdf poppler-utils
  libgpg-error-mingw-w64-dev libgcrypt-mingw-w64-dev libassuan-mingw-w64-dev
  libksba-mingw-w64-dev libnpth-mingw-w64-dev libz-mingw-w64-dev
  dpkg-dev patch bzip2 xz-utils gnupg bc locales
  # The engine's configure asks pkg-config; its install step compiles translations with msgfmt.
  pkgconf gettext
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
