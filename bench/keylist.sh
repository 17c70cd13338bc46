#!/usr/bin/env bash
# 100,000 generated user IDs read, parsed, sorted and shown in the public-key dialog under Wine,
# three runs; the listing, the first page, the first paint and the whole fill are timed
# separately. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets keylist_bench
source "$root/scripts/xvfb.sh"
start_xvfb
work="$(mktemp -d)"
trap 'wineserver -k >/dev/null 2>&1 || true; stop_xvfb; rm -rf "$work"' EXIT
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
wine64 "$build/windows/bench/keylist_bench.exe" "Z:${work//\//\\}" "${1:-100000}" </dev/null
