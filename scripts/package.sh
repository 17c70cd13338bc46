#!/usr/bin/env bash
# Builds the Windows programs and their packages: the setup program and the portable zip, both in
# build/windows/packages/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MW_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
MW_BUILD_QUIET=1 "$root/scripts/build.sh"
(cd "$build/windows" && cpack -G "NSIS;ZIP" >/dev/null)
ls -1 "$build/windows/packages/"Murkwell-*-setup.exe "$build/windows/packages/"Murkwell-*-portable.zip
