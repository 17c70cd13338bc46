#!/usr/bin/env bash
# run-editor.sh as a newcomer runs it without a display, in a Wine prefix of its own; then the
# pass phrase it printed must unlock the demo key it made: a message pgp.exe encrypts to the demo
# key decrypts with that pass phrase, and not with another.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
scratch="$(mktemp -d /tmp/mw-run-editor-XXXXXX)"
export MW_PREFIX_TREE="$scratch"
wine_here() { (export BUILD_WIN="$scratch"; source "$root/scripts/wine-env.sh"; "$@"); }
finish() {
  wine_here wineserver -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap finish EXIT
fail() { echo "run-editor-test: $*"; exit 1; }

log="$scratch/run-editor.log"
env -u DISPLAY "$root/scripts/run-editor.sh" </dev/null >"$log" 2>&1 ||
  fail "run-editor.sh failed: $(cat "$log")"
pass="$(sed -n 's/^Demo key: .*, pass phrase: "\(.*\)"$/\1/p' "$log")"
dir_win="$(sed -n "s/^PGP's directory: \(.*\) (in the Wine prefix .*)$/\1/p" "$log")"
[ -n "$pass" ] && [ -n "$dir_win" ] || fail "no pass phrase or PGP directory printed: $(cat "$log")"

pgp_dir="$(wine_here wine64 winepath -u "$dir_win" </dev/null 2>/dev/null)"
pgp="$scratch/wineprefix/drive_c/murkwell/pgp.exe"
pgp_in_dir() { (cd "$pgp_dir" && wine_here wine64 "$pgp" +batchmode "$@" </dev/null >>"$log" 2>&1); }
text='The demo key opens with the printed pass phrase.'
printf '%s\r\n' "$text" >"$pgp_dir/check.txt"
pgp_in_dir -eat check.txt "demo@murkwell.invalid" || fail "pgp.exe could not encrypt to the demo key: $(cat "$log")"
rm -f "$pgp_dir/check.txt"
pgp_in_dir -z "$pass" check.asc -o check.out || fail "the printed pass phrase \"$pass\" did not decrypt: $(cat "$log")"
[ "$(tr -d '\r' <"$pgp_dir/check.out")" = "$text" ] || fail "decrypted text differs: $(cat "$pgp_dir/check.out")"
rm -f "$pgp_dir/check.out"
if pgp_in_dir -z "$pass!" check.asc -o check.out; then fail "another pass phrase decrypted too"; fi
echo "run-editor-test: the printed pass phrase \"$pass\" unlocks the demo key"
