#!/usr/bin/env bash
# Configures (once) and builds both trees: build/native and build/windows. Incremental.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MW_BUILD_DIR:-$root/build}"
jobs="$(nproc)"
# Cache hits across checkouts in different folders.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
if [ ! -f "$build/native/build.ninja" ]; then
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if [ ! -f "$build/windows/build.ninja" ]; then
  cmake -S "$root" -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$build/native" -j "$jobs" -- -k 0 ${MW_BUILD_QUIET:+--quiet}
cmake --build "$build/windows" -j "$jobs" -- -k 0 ${MW_BUILD_QUIET:+--quiet}
