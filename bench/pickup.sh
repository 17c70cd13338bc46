#!/usr/bin/env bash
# Time from the end of a message operation's wait to PGP's output shown in the editor, for about
# 5 MB of output, against a bare WM_SETTEXT of the same text (ratio; target at most 1.2). Builds
# what it runs; starts its own virtual display when there is none. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets pickup_bench pgp_double
source "$root/scripts/xvfb.sh"
work="$(mktemp -d)"
cleanup() { wineserver -k >/dev/null 2>&1 || true; stop_xvfb; rm -rf "$work"; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then start_xvfb; fi
mkdir -p "$work/pgp"
cp "$build/windows/tests/doubles/pgp.exe" "$work/pgp/"
wine64 "$build/windows/bench/pickup_bench.exe" "Z:${work//\//\\}" "${1:-3}" </dev/null
