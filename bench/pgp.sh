#!/usr/bin/env bash
# pgp.exe against calling the engine's gpg.exe directly, under Wine: encrypt, decrypt (pass
# phrase through a pipe, the agent started and ended each time, as pgp.exe does), the key listing
# and the secret-key listing of a ring of 10,000 keys (PGP_BENCH_KEYS, 100,000 too). Medians of
# PGP_BENCH_RUNS runs each; prints the ratios and the time pgp.exe adds.
# A measurement, not a test. The ring is made once by Linux gpg and kept in the build tree.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
source "$root/scripts/build-wine-env.sh"
build_targets pgp
engine="${MW_ENGINE_DIR:-$build/engine/gnupg}"
[ -x "$engine/gpg.exe" ] || { echo "no engine in $engine (scripts/build-engine.sh makes it)"; exit 1; }
keys="${PGP_BENCH_KEYS:-10000}"
# How others' keys reach the ring: "imported" (as every key a user adds arrives) or "made" (the
# keys left where they were generated, for comparison).
ring="${PGP_BENCH_RING:-imported}"
cache="$build/pgp-bench"
home="$cache/home-$keys-$ring"
work="$(mktemp -d "$build/pgp-bench.XXXXXX")"
# An agent left running keeps the prefix's Wine server, and with it a desktop started without the
# display, alive for the GUI tests that come after.
trap 'end_agents; rm -rf "$work"' EXIT
win() { local p="Z:$1"; echo "${p//\//\\}"; }
H="$(win "$home")"
# Agents this benchmark started for its home; the direct calls leave theirs behind.
# The engine names the home with forward slashes when it starts its agent; only the agent's own
# program name counts (this very pipeline's command line holds both texts too).
end_agents() {
  ps -eo pid=,args= | awk -v h="$H" -v s="${H//\\//}" \
    '$2 ~ /gpg-agent\.exe$/ && (index($0, h) || index($0, s)) {print $1}' |
    while read -r pid; do kill "$pid" 2>/dev/null || true; done
}
mkdir -p "$cache" "$work/inst"
# A prefix of its own: nothing here touches the one the GUI tests use.
export WINEPREFIX="$cache/wineprefix"
# PGP_BENCH_EXE: another pgp.exe to time (an earlier build, for figures before and after).
cp "${PGP_BENCH_EXE:-$build/windows/pgp/pgp.exe}" "$work/inst/pgp.exe"
ln -s "$engine" "$work/inst/gnupg"
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true

# The ring: keys without pass phrases made in one run of Linux gpg, whose key box is copied into
# the home: the engine under Wine keeps keys in the same format, and importing 10,000 keys under
# Wine took far longer than making them. Linux gpg's trust database stays behind, so in the home
# they are others' keys, not the user's own. The user's own key is made by pgp.exe under Wine.
# The engine marks a key's self-signatures as checked when it imports the key, not when it makes
# one: a ring of keys made in place has every self-signature checked again at each listing (about
# 1 ms a key), which no user's ring of others' keys does. So the keys go through an import first.
# A ring beyond 5,000 keys is made in slices of 5,000, each generated and imported in homes of
# their own (an import into one home grows faster than linearly with its size), whose key boxes are
# then joined: a key box is a header followed by one record per key, so the records of every slice
# after the first follow the first slice's whole box.
slice=5000
make_slice() { # first last -> the slice's imported key box on stdout
  rm -rf "$cache/linux" "$cache/linux-import"
  mkdir -p "$cache/linux" "$cache/linux-import"
  chmod 700 "$cache/linux" "$cache/linux-import"
  for i in $(seq "$1" "$2"); do
    printf 'Key-Type: eddsa\nKey-Curve: ed25519\nSubkey-Type: ecdh\nSubkey-Curve: cv25519\n'
    printf 'Name-Real: Bench Key %05d <key%05d@example.org>\nExpire-Date: 0\n%%no-protection\n%%commit\n' "$i" "$i"
  done | gpg --homedir "$cache/linux" --batch --generate-key 2>/dev/null
  gpgconf --homedir "$cache/linux" --kill gpg-agent
  if [ "$ring" = made ]; then
    cat "$cache/linux/pubring.kbx"
  else
    gpg --homedir "$cache/linux" --batch --export >"$cache/keys.pgp"
    gpg --homedir "$cache/linux-import" --batch --import "$cache/keys.pgp" 2>/dev/null
    gpgconf --homedir "$cache/linux-import" --kill gpg-agent
    cat "$cache/linux-import/pubring.kbx"
  fi
  rm -rf "$cache/linux" "$cache/linux-import" "$cache/keys.pgp"
}
if [ ! -f "$home/.complete" ]; then
  rm -rf "$home"
  mkdir -p "$home"
  for ((first = 1; first <= keys; first += slice)); do
    last=$((first + slice - 1 < keys ? first + slice - 1 : keys))
    if [ "$first" = 1 ]; then
      make_slice "$first" "$last" >"$home/pubring.kbx"
    else
      make_slice "$first" "$last" >"$cache/slice.kbx"
      header=$(od -An -tu4 --endian=big -N4 "$cache/slice.kbx" | tr -d ' ')
      tail -c +$((header + 1)) "$cache/slice.kbx" >>"$home/pubring.kbx"
      rm -f "$cache/slice.kbx"
    fi
  done
  printf '1\r\nAlice <alice@example.org>\r\nbench pass\r\nbench pass\r\n' |
    (cd "$home" && wine64 "$(win "$work/inst/pgp.exe")" -kg >/dev/null 2>&1)
  touch "$home/.complete"
fi
gpg_exe="$(win "$engine/gpg.exe")"
fpr="$(cd "$home" && wine64 "$gpg_exe" --homedir "$H" --batch --with-colons --list-secret-keys Alice 2>/dev/null |
  awk -F: '/^fpr/ {print $10; exit}')"
end_agents
head -c 1000000 /dev/urandom | base64 >"$work/msg.txt"

# Each pair of runs, pgp.exe's and the engine's alone, alternates PGP_BENCH_RUNS times (default
# 5), so that a machine busy for a while slows both alike; the medians are compared.
runs="${PGP_BENCH_RUNS:-5}"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
once() { # command...
  local s e
  s=$(date +%s.%N)
  (cd "$home" && "$@" </dev/null >/dev/null 2>&1) || true
  e=$(date +%s.%N)
  end_agents
  echo "$e - $s" | bc
}
# measure OP: runs OP_pgp and OP_gpg (functions; OP_gpg may be absent) in turn; sets OP_pgp_s, OP_gpg_s.
measure() {
  local op="$1" p=() g=() i
  for ((i = 0; i < runs; i++)); do
    p+=("$(once "${op}_pgp")")
    if declare -F "${op}_gpg" >/dev/null; then g+=("$(once "${op}_gpg")"); fi
  done
  printf -v "${op}_pgp_s" '%s' "$(printf '%s\n' "${p[@]}" | median)"
  if [ ${#g[@]} -gt 0 ]; then printf -v "${op}_gpg_s" '%s' "$(printf '%s\n' "${g[@]}" | median)"; else printf -v "${op}_gpg_s" 0; fi
}
pgp() { wine64 "$(win "$work/inst/pgp.exe")" "$@"; }
gpgd() { wine64 "$gpg_exe" --homedir "$H" --batch --no-tty "$@"; }

# Each writes a new output, as the programs' jobs do.
# Encryption as the editor asks for it: armoured, text mode.
enc_pgp() {
  rm -f "$work/p.asc"
  pgp +batchmode -eat "$(win "$work/msg.txt")" "Alice" -o "$(win "$work/p.asc")"
}
enc_gpg() {
  rm -f "$work/g.asc"
  gpgd --trust-model always -r "$fpr" --armor --textmode -o "$(win "$work/g.asc")" --encrypt "$(win "$work/msg.txt")"
}
dec_pgp() {
  rm -f "$work/p.out"
  pgp +batchmode -z "bench pass" "$(win "$work/p.asc")" -o "$(win "$work/p.out")"
}
dec_gpg() {
  rm -f "$work/g.out"
  echo 'bench pass' | wine64 "$gpg_exe" --homedir "$H" --batch --no-tty --pinentry-mode loopback --passphrase-fd 0 \
    -o "$(win "$work/g.out")" --decrypt "$(win "$work/p.asc")"
}
# A clear signature, as the editor's Sign asks for it.
sig_pgp() {
  rm -f "$work/p.sig"
  pgp +batchmode -sta "$(win "$work/msg.txt")" -u Alice -z "bench pass" -o "$(win "$work/p.sig")"
}
sig_gpg() {
  rm -f "$work/g.sig"
  echo 'bench pass' | wine64 "$gpg_exe" --homedir "$H" --batch --no-tty --pinentry-mode loopback --passphrase-fd 0 \
    --local-user "$fpr" --textmode -o "$(win "$work/g.sig")" --clearsign "$(win "$work/msg.txt")"
}
kv_pgp() { pgp -kv "*" "$(win "$home/pubring.pgp")"; }
kv_gpg() { gpgd --with-colons --fixed-list-mode --list-keys; }
# The signer dialogs' listing. The engine left to itself asks its agent about every key of the
# ring in turn (a quarter of an hour for 10,000 keys), so it is timed directly on small rings only.
kvs_pgp() { pgp -kv "*" "$(win "$home/secring.pgp")"; }
if [ "$keys" -le 1000 ]; then
  kvs_gpg() {
    wine64 "$gpg_exe" --homedir "$H" --batch --no-tty --with-colons --fixed-list-mode --list-secret-keys
    wine64 "$(win "$engine/gpgconf.exe")" --homedir "$H" --kill gpg-agent
  }
fi
for op in enc dec sig kv kvs; do measure "$op"; done
# A text-mode message comes back with the system's line ends.
for out in p g; do
  cmp -s <(tr -d '\r' <"$work/$out.out") "$work/msg.txt" ||
    echo "warning: the decryption by $out differs from the input"
  grep -q -- "-----BEGIN PGP SIGNATURE-----" "$work/$out.sig" || echo "warning: $out made no signature"
done

printf '%-28s %10s %10s %8s %9s\n' "operation ($keys keys, $ring)" "pgp.exe s" "gpg.exe s" "ratio" "added s"
for op in enc dec sig kv kvs; do
  p="${op}_pgp_s" g="${op}_gpg_s"
  if [ "${!g}" = 0 ]; then
    printf '%-28s %10.3f %10s %8s %9s\n' "$op" "${!p}" "-" "-" "-"
  else
    printf '%-28s %10.3f %10.3f %8.2f %9.3f\n' "$op" "${!p}" "${!g}" "$(echo "${!p} / ${!g}" | bc -l)" \
      "$(echo "${!p} - ${!g}" | bc -l)"
  fi
done
