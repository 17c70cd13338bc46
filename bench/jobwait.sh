#!/usr/bin/env bash
# The job runner's wait versus a naive polling loop over the same 5-second PGP job under Wine:
# CPU seconds of the waiting process (and of wineserver) and the latency from the end of the
# batch's PGP step to the end of the wait, median of five runs each. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets jobwait_bench pgp_double
work="$(mktemp -d)"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
mkdir -p "$work/pgp"
cp "$build/windows/tests/doubles/pgp.exe" "$work/pgp/"
printf 'Alice <alice@example.org>\r\nBob\r\n' > "$work/pgp/pubring.pgp"
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
# The wineserver of this prefix (other prefixes may have their own).
server_ticks() {
  local pid
  for pid in $(pgrep -f wineserver); do
    if tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      awk '{print $14 + $15}' "/proc/$pid/stat"
      return
    fi
  done
  echo 0
}
hz="$(getconf CLK_TCK)"
for mode in runner naive; do
  before="$(server_ticks)"
  wine64 "$build/windows/bench/jobwait_bench.exe" "Z:${work//\//\\}\\pgp" "$mode" 5 </dev/null
  after="$(server_ticks)"
  echo "$mode: wineserver cpu $(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN {printf "%.2f", t / hz}') s over the five runs"
done
