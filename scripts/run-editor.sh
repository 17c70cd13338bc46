#!/usr/bin/env bash
# Installs what is missing, builds both programs and starts Murkwell.exe under Wine, ready to use:
# the programs, pgp.exe and the engine are installed in the build tree's Wine prefix, and the
# first run writes settings naming them plus a demo key pair. Without a display it starts a
# virtual one, saves a screenshot of the editor holding a message encrypted to the demo key and
# prints where it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
"$root/scripts/install-deps.sh"
"$root/scripts/build-engine.sh"
MW_BUILD_QUIET=1 "$root/scripts/build.sh"
source "$root/scripts/build-wine-env.sh"

demo_user="Murkwell Demo <demo@murkwell.invalid>"
demo_pass="murkwell demo"
app="$WINEPREFIX/drive_c/murkwell"
# Kept current on every run; only changed files are copied.
cmake --install "$build/windows" --prefix "$app" >/dev/null

# PGP's directory in the prefix user's profile, named as Windows names it.
profile="$(wine64 cmd /c 'echo %USERPROFILE%' </dev/null 2>/dev/null | tr -d '\r')"
pgp_dir_win="$(printf '%s\\pgp\\' "$profile" | tr '[:upper:]' '[:lower:]')"
pgp_dir="$(wine64 winepath -u "$pgp_dir_win" </dev/null 2>/dev/null)"
mkdir -p "$pgp_dir"

# Settings as the setup program writes them on a first installation; a user's own stay.
write_paths() {
  printf '%s\r\n' 'c:\murkwell\pgp.exe' "$pgp_dir_win" "${pgp_dir_win}pubring.pgp" "${pgp_dir_win}secring.pgp"
}
if [ ! -f "$app/Murkwell.ini" ]; then
  { write_paths
    printf '%s\r\n' 0 0 640 450 right nostore 'Courier New' 8 0 -2147483643; } >"$app/Murkwell.ini"
fi
[ -f "$app/bramlet.ini" ] || write_paths >"$app/bramlet.ini"
[ -f "$app/wendal.ini" ] || write_paths >"$app/wendal.ini"

# The engine in the prefix, on PGP's directory: no network, nothing asked, nothing cached. The
# home goes without its final backslash, which would escape the quote Wine puts around it.
home_win="${pgp_dir_win%\\}"
engine() {
  wine64 "$app/gnupg/gpg.exe" --homedir "$home_win" --batch --no-tty --no-auto-key-retrieve \
    --auto-key-locate local "$@"
}
end_agent() {
  wine64 "$app/gnupg/gpgconf.exe" --homedir "$home_win" --kill gpg-agent </dev/null >/dev/null 2>&1 || true
}
trap end_agent EXIT
[ -f "$pgp_dir/gpg-agent.conf" ] || printf 'default-cache-ttl 0\nmax-cache-ttl 0\n' >"$pgp_dir/gpg-agent.conf"
if ! engine --with-colons --list-secret-keys 2>/dev/null </dev/null | grep -qF 'demo@murkwell.invalid'; then
  echo "Making the demo key pair \"$demo_user\" (first run only)..."
  params="$pgp_dir/murkwell-demo-key.txt"
  printf '%s\n' 'Key-Type: eddsa' 'Key-Curve: ed25519' 'Key-Usage: sign' 'Subkey-Type: ecdh' \
    'Subkey-Curve: cv25519' 'Subkey-Usage: encrypt' 'Name-Real: Murkwell Demo' \
    'Name-Email: demo@murkwell.invalid' 'Expire-Date: 0' '%commit' >"$params"
  # The pass phrase through standard input only, never a file or the command line.
  if ! printf '%s\n' "$demo_pass" | engine --pinentry-mode loopback --passphrase-fd 0 \
      --generate-key "${pgp_dir_win}murkwell-demo-key.txt" >/dev/null 2>&1; then
    rm -f "$params"
    echo "run-editor: the engine could not make the demo key in $pgp_dir" >&2
    exit 1
  fi
  rm -f "$params"
  end_agent
fi

echo "PGP's directory: $pgp_dir_win (in the Wine prefix $WINEPREFIX)"
echo "Demo key: \"$demo_user\", pass phrase: \"$demo_pass\""
echo "Encrypt: write a message, click Encrypt, choose the demo key. Decrypt: type the pass phrase"
echo "in the console that opens."

if [ -n "${DISPLAY:-}" ]; then
  cd "$app"
  exec wine64 ./Murkwell.exe
fi

# A message encrypted to the demo key by pgp.exe, as the editor's Encrypt makes it, for the picture.
sample="$pgp_dir/murkwell-sample.txt"
printf 'Hello from Murkwell.\r\nThis text was encrypted to the demo key.\r\n' >"$sample"
rm -f "$pgp_dir/murkwell-sample.asc"
(cd "$pgp_dir" && wine64 "$app/pgp.exe" +batchmode -eat murkwell-sample.txt "demo@murkwell.invalid" \
  </dev/null >/dev/null 2>&1) || true
typed=""
if [ -f "$pgp_dir/murkwell-sample.asc" ]; then
  typed="$build/screenshots/sample-message.txt"
  mkdir -p "$(dirname "$typed")"
  tr -d '\r' <"$pgp_dir/murkwell-sample.asc" >"$typed"
fi
rm -f "$sample" "$pgp_dir/murkwell-sample.asc"
end_agent
# The Wine server of the steps above has no display; the picture needs one that has.
wineserver -w </dev/null >/dev/null 2>&1 || true
png="$(MW_PROGRAM_DIR="$app" MW_TYPE_FILE="$typed" "$root/scripts/screenshot.sh" editor "$build/screenshots/editor.png")"
echo "No display here: the editor ran on a virtual display and its window was saved to"
echo "  $png"
echo "(the whole screen is in ${png%.png}-screen.png). Open it with any image viewer,"
echo "or run this command again on a machine with a display to use the editor."
