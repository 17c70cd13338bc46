#!/usr/bin/env bash
# Key generation, encryption and decryption of 1 MB by the Windows engine under Wine beside the
# same operations by Linux gpg in the same run; median of N runs (default 3) each, the agent ended
# before every run as the front end ends it after every job. A measurement, not a test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
runs="${1:-3}"
source "$root/scripts/build-wine-env.sh"
"$root/scripts/build-engine.sh" "$build"
engine="$build/engine/gnupg"
work="$(mktemp -d "$build/engine-bench.XXXXXX")"
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

# gpg of one side (wine or linux) with its own home, as the front end calls it.
gpg_of() {
  local side="$1"
  shift
  if [ "$side" = wine ]; then
    wine64 "$engine/gpg.exe" --homedir "$(winpath "$work/wine")" --batch --no-tty "$@"
  else
    gpg --homedir "$work/linux" --batch --no-tty "$@"
  fi
}
path_of() { if [ "$1" = wine ]; then winpath "$2"; else echo "$2"; fi; }
end_agent() {
  if [ "$1" = wine ]; then
    wine64 "$engine/gpgconf.exe" --homedir "$(winpath "$work/wine")" --kill gpg-agent
  else
    gpgconf --homedir "$work/linux" --kill all
  fi
}
cleanup() {
  end_agent wine >/dev/null 2>&1 || true
  end_agent linux >/dev/null 2>&1 || true
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# A server that stays up, so no run pays for starting one.
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
head -c 1048576 /dev/urandom >"$work/plain.bin"
pass="bench pass phrase"

# Seconds one command takes; its output goes to the log, which is shown if it fails.
seconds() {
  local start end
  start="$(date +%s.%N)"
  if ! "$@" >>"$work/log" 2>&1; then
    echo "failed: $*" >&2
    cat "$work/log" >&2
    exit 1
  fi
  end="$(date +%s.%N)"
  awk -v a="$start" -v b="$end" 'BEGIN {print b - a}' 
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]}'; }

keygen() {
  local side="$1" params="$work/params"
  rm -rf "$work/$side"
  mkdir -m 700 "$work/$side"
  printf '%s\n' "Key-Type: eddsa" "Key-Curve: ed25519" "Subkey-Type: ecdh" "Subkey-Curve: cv25519" \
    "Name-Real: Bench $side" "Expire-Date: 0" "%commit" >"$params"
  printf '%s\n' "$pass" | gpg_of "$side" --pinentry-mode loopback --passphrase-fd 0 \
    --generate-key "$(path_of "$side" "$params")"
}
encrypt() {
  gpg_of "$1" --yes --trust-model always --recipient "Bench $1" \
    --output "$(path_of "$1" "$work/$1.gpg")" --encrypt "$(path_of "$1" "$work/plain.bin")" </dev/null
}
decrypt() {
  printf '%s\n' "$pass" | gpg_of "$1" --yes --pinentry-mode loopback --passphrase-fd 0 \
    --output "$(path_of "$1" "$work/$1.out")" --decrypt "$(path_of "$1" "$work/$1.gpg")"
  cmp -s "$work/plain.bin" "$work/$1.out"
}

declare -A result
for side in wine linux; do
  for op in keygen encrypt decrypt; do
    times=()
    for _ in $(seq "$runs"); do
      end_agent "$side" >/dev/null 2>&1 || true
      times+=("$(seconds "$op" "$side")")
    done
    result[$side.$op]="$(median "${times[@]}")"
  done
  end_agent "$side" >/dev/null 2>&1 || true
done

printf 'engine %s under Wine, Linux gpg %s; median of %s runs\n' \
  "$(wine64 "$engine/gpg.exe" --version 2>/dev/null | head -n1 | awk '{print $3}')" \
  "$(gpg --version | head -n1 | awk '{print $3}')" "$runs"
printf '%-22s %12s %12s %8s\n' operation "Wine s" "Linux s" ratio
for op in keygen encrypt decrypt; do
  case $op in
    keygen) label="key generation" ;;
    encrypt) label="encrypt 1 MB" ;;
    decrypt) label="decrypt 1 MB" ;;
  esac
  printf '%-22s %12s %12s %8.1f\n' "$label" "${result[wine.$op]}" "${result[linux.$op]}" \
    "$(awk -v a="${result[wine.$op]}" -v b="${result[linux.$op]}" 'BEGIN {print a / b}')"
done
