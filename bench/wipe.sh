#!/usr/bin/env bash
# Wipe throughput of scorch.com with /two (and with one pass) against a flushed plain copy of
# the same 256 MB file on the same disk, under Wine, median of three runs. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets wipe_bench scorch
# On the disk of the build tree, not a memory file system.
work="$(mktemp -d "$build/wipe-bench.XXXXXX")"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
echo "disk: $(df -h --output=source,fstype "$work" | tail -1)"
wine64 "$build/windows/bench/wipe_bench.exe" "Z:${build//\//\\}\\windows\\scorch\\scorch.com" \
  "Z:${work//\//\\}\\" "${1:-256}" "${2:-3}" </dev/null
