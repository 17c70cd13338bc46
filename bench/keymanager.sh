#!/usr/bin/env bash
# The key manager under Wine: start to the listed window and the filter's latency, with the ring of
# 10,000 keys bench/pgp.sh makes (listed by pgp.exe and the engine), and with 10,000 and 100,000
# generated keys handed to the window directly. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets keymanager_bench pgp
engine="${MW_ENGINE_DIR:-$build/engine/gnupg}"
home="$build/pgp-bench/home-10000-imported"
# The ring is bench/pgp.sh's, made once.
[ -f "$home/.complete" ] || PGP_BENCH_KEYS=10000 "$root/bench/pgp.sh" >/dev/null
source "$root/scripts/xvfb.sh"
start_xvfb
work="$(mktemp -d "$build/keymanager-bench.XXXXXX")"
export WINEPREFIX="$build/pgp-bench/wineprefix"
win() { local p="Z:$1"; echo "${p//\//\\}"; }
trap 'wineserver -k >/dev/null 2>&1 || true; stop_xvfb; rm -rf "$work"' EXIT
mkdir -p "$work/inst"
cp "$build/windows/pgp/pgp.exe" "$work/inst/"
ln -s "$engine" "$work/inst/gnupg"
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
bench="$build/windows/bench/keymanager_bench.exe"
echo "== 10,000 keys through pgp.exe and the engine"
[ -n "${KM_BENCH_SYNTHETIC_ONLY:-}" ] || wine64 "$bench" "$(win "$work")\\" "$(win "$work/inst")\\pgp.exe" "$(win "$home")\\" </dev/null
for n in 10000 100000; do
  echo "== $n generated keys, the window alone"
  wine64 "$bench" "$(win "$work")\\" --synthetic "$n" </dev/null
done
