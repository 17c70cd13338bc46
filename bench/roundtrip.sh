#!/usr/bin/env bash
# The editor's Encrypt then Decrypt of a 100 KB message with the real pgp.exe and engine under
# Wine, from the click to the replaced text, median of 5 (or $1 runs), against the engine's own
# encrypt and decrypt of the same text in the same run; with the ratio and where the rest of the
# time goes. Goal: under 2 s per operation. Builds what it runs; starts its own virtual display
# when there is none. A measurement, not a test.
# ROUNDTRIP_RING=FILE: a key box of others' keys (bench/pgp.sh keeps one of 10,000 in
# build/pgp-bench/home-10000-imported/pubring.kbx) that PGP's directory starts with, so that the
# key dialog lists a big ring.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets roundtrip_bench pgp scorch
engine="${MW_ENGINE_DIR:-$build/engine/gnupg}"
[ -x "$engine/gpg.exe" ] || { echo "no engine in $engine (scripts/build-engine.sh makes it)"; exit 1; }
source "$root/scripts/xvfb.sh"
work="$(mktemp -d)"
cleanup() { wineserver -k >/dev/null 2>&1 || true; stop_xvfb; rm -rf "$work"; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then start_xvfb; fi
win() { local p="Z:$1"; echo "${p//\//\\}"; }

# As an installation lays it out: the wipe tool beside the editor, pgp.exe with the engine beside
# it, and PGP's directory holding a key the engine made.
mkdir -p "$work/bin/gnupg" "$work/pgp"
cp "$build/windows/pgp/pgp.exe" "$work/bin/"
cp "$engine"/*.exe "$engine"/*.dll "$work/bin/gnupg/"
cp "$build/windows/scorch/scorch.com" "$work/"
if [ -n "${ROUNDTRIP_RING:-}" ]; then cp "$ROUNDTRIP_RING" "$work/pgp/pubring.kbx"; fi
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
printf 'Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign\nSubkey-Type: ecdh\nSubkey-Curve: cv25519\n%s\n' \
  'Subkey-Usage: encrypt' >"$work/keygen.txt"
printf 'Name-Real: Murkwell Demo\nName-Email: demo@murkwell.invalid\nExpire-Date: 0\n%%commit\n' >>"$work/keygen.txt"
H="$(win "$work/pgp")"
echo "murkwell demo" | wine64 "$(win "$work/bin/gnupg/gpg.exe")" --homedir "$H" --batch --no-tty \
  --pinentry-mode loopback --passphrase-fd 0 --generate-key "$(win "$work/keygen.txt")" >/dev/null 2>&1
wine64 "$(win "$work/bin/gnupg/gpgconf.exe")" --homedir "$H" --kill gpg-agent </dev/null >/dev/null 2>&1 || true
wine64 "$build/windows/bench/roundtrip_bench.exe" "$(win "$work")" "${1:-5}" </dev/null
