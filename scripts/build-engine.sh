#!/usr/bin/env bash
# Builds the OpenPGP engine for Windows from Debian's gnupg2 source package: gpg.exe,
# gpg-agent.exe, gpgconf.exe, gpg-connect-agent.exe and exactly the DLLs they load, into
# BUILD/engine/gnupg, with the licence texts in gnupg/licenses and the exact sources of everything
# shipped in BUILD/engine/source (with our patches from scripts/engine-patches).
# Usage: scripts/build-engine.sh [BUILD_DIR]   (default: $MW_BUILD_DIR or build/)
# Does nothing while the sources, the libraries and this script are unchanged. A failed step prints
# one line naming it and its log, exits non-zero and leaves the previous engine (or none) in place.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${MW_BUILD_DIR:-$root/build}}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
work="$build/engine"
logs="$work/logs"
host=x86_64-w64-mingw32
sysroot="/usr/$host"
# Debian packages whose DLLs the engine may load; their versions are part of the stamp.
libpkgs=(libgpg-error-mingw-w64-dev libgcrypt-mingw-w64-dev libassuan-mingw-w64-dev
  libksba-mingw-w64-dev libnpth-mingw-w64-dev libz-mingw-w64-dev)
export LC_ALL=C

# What the finished engine was made from (this script and its patches, the library versions, the
# shipped sources) and what it holds, so that a file missing from it is made again.
stamp_key() {
  {
    sha256sum "$root/scripts/build-engine.sh" "$root"/scripts/engine-patches/*.patch | cut -d' ' -f1
    find "$work/gnupg" -type f -printf '%P %s\n' 2>/dev/null | sort
    dpkg-query -W -f='${Package} ${Version}\n' "${libpkgs[@]}" gcc-mingw-w64-x86-64-posix \
      mingw-w64-x86-64-dev 2>/dev/null || true
    (cd "$work/source" 2>/dev/null && find . -type f | sort | xargs -r sha256sum) || true
  } | sha256sum | cut -d' ' -f1
}

if [ -f "$work/stamp" ] && [ -d "$work/gnupg" ] && [ "$(cat "$work/stamp")" = "$(stamp_key)" ]; then
  exit 0
fi

"$root/scripts/install-deps.sh"
mkdir -p "$logs"
rm -f "$work/stamp"

# Runs one step with its output in logs/NAME.log; on failure names the step and the log.
step() {
  local name="$1"
  shift
  local log="$logs/$name.log" status
  # A subshell outside any condition, so that errexit holds inside the step's functions too.
  set +e
  (set -e; "$@") >"$log" 2>&1
  status=$?
  set -e
  if [ $status -ne 0 ]; then
    echo "engine: step '$name' failed, see $log" >&2
    exit 1
  fi
}

echo "Building the engine (GnuPG for Windows) in $work; logs in $logs"

# A private apt state that knows Debian's source indices: derived from the machine's own entries
# for this release, so the machine's configuration and lists stay as they are. apt verifies the
# indices against Debian's signed release files and every downloaded file against the indices.
apt_dir="$work/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
derive_sources() {
  local codename
  codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  python3 - "$codename" >"$apt_dir/sources.list" <<'EOF'
import glob, re, sys
codename = sys.argv[1]
ours = lambda suite: suite == codename or suite.startswith(codename + "-")
out = []
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in re.split(r"\n\s*\n", open(path).read()):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith("#") or not line.strip():
                continue
            if line[0] in " \t" and key:
                fields[key] += " " + line.strip()
                continue
            key, _, value = line.partition(":")
            key = key.strip().lower()
            fields[key] = value.strip()
        if "deb" not in fields.get("types", "").split():
            continue
        if fields.get("enabled", "yes").lower() == "no":
            continue
        signed = fields.get("signed-by", "")
        opts = f"[signed-by={signed}] " if signed and not signed.startswith("-") else ""
        for uri in fields.get("uris", "").split():
            for suite in fields.get("suites", "").split():
                if ours(suite):
                    out.append(f"deb-src {opts}{uri} {suite} {fields.get('components', '')}")
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path).read().splitlines()
    except FileNotFoundError:
        continue
    for line in lines:
        m = re.match(r"\s*deb\s+(\[[^\]]*\]\s+)?(\S+)\s+(\S+)\s+(.*)", line)
        if m and ours(m.group(3)):
            out.append(f"deb-src {m.group(1) or ''}{m.group(2)} {m.group(3)} {m.group(4)}")
if not out:
    sys.exit("no Debian entries for " + codename + " in the machine's apt sources")
print("\n".join(dict.fromkeys(out)))
EOF
}
step sources derive_sources
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
step apt-update apt-get -q "${apt_opts[@]}" update

# The exact source of everything shipped that asks for it: gnupg2 itself and the source package of
# each library whose DLL the engine loads (found below). The compiler's runtime DLLs are under the
# GCC runtime exception and a permissive licence; their copyright files travel with them instead.
stage="$work/stage"
rm -rf "$stage"
mkdir -p "$stage/source" "$stage/gnupg/licenses" "$work/download"
fetch() {
  cd "$work/download"
  apt-get -q "${apt_opts[@]}" source --download-only "$@"
}
step download fetch gnupg2
dsc="$(ls -t "$work/download"/gnupg2_*.dsc | head -n1)"

# The unpacked tree and the configured build folder are kept while the source and the options
# stay the same, so a change elsewhere in this script rebuilds incrementally; each is marked
# only once its step succeeded.
# Our own changes to it (each file says why) are applied on top and count as part of the source.
patches=("$root"/scripts/engine-patches/*.patch)
source_key="$(cat "$dsc" "${patches[@]}" | sha256sum | cut -d' ' -f1)"
unpack() {
  rm -rf "$work/src" "$work/obj"
  dpkg-source --require-strong-checksums -x "$dsc" "$work/src"
  for p in "${patches[@]}"; do
    patch -d "$work/src" -p1 --batch --forward <"$p"
  done
  # dpkg-source leaves a copy of the original tarball beside the tree, for rebuilding the package.
  rm -f "$work"/gnupg2_*.orig.tar.*
  echo "$source_key" >"$work/src/.murkwell-unpacked"
}
if [ "$(cat "$work/src/.murkwell-unpacked" 2>/dev/null)" != "$source_key" ]; then
  step unpack unpack
fi

# The cross tree's own gpgrt-config describes the Windows libraries; without it configure looks for
# the host's, which only a machine with libgpg-error-dev has.
configure_options=(--host=$host --prefix=/ GPGRT_CONFIG="$sysroot/bin/gpgrt-config"
  --with-libgpg-error-prefix="$sysroot" --with-libgcrypt-prefix="$sysroot"
  --with-libassuan-prefix="$sysroot" --with-ksba-prefix="$sysroot"
  --with-npth-prefix="$sysroot" --with-zlib="$sysroot"
  --disable-dirmngr --disable-scdaemon --disable-gpgsm --disable-ldap --disable-doc
  --disable-wks-tools --disable-sqlite --disable-gnutls --disable-ntbtls --disable-nls
  --without-readline --disable-bzip2 --disable-tofu --disable-photo-viewers
  --disable-card-support --disable-ccid-driver)
configure_key="$(printf '%s\n' "$source_key" "${configure_options[@]}" | sha256sum | cut -d' ' -f1)"
configure() {
  rm -rf "$work/obj"
  mkdir -p "$work/obj"
  cd "$work/obj"
  PKG_CONFIG_LIBDIR="$sysroot/lib/pkgconfig" "$work/src/configure" "${configure_options[@]}"
  echo "$configure_key" >"$work/obj/.murkwell-configured"
}
if [ "$(cat "$work/obj/.murkwell-configured" 2>/dev/null)" != "$configure_key" ]; then
  step configure configure
fi
step build make -C "$work/obj" -j "$(nproc)"
step install make -C "$work/obj" install DESTDIR="$stage/root"

# Copies the programs and, following objdump's import tables, every DLL they load that is
# not part of Windows; an import found neither among ours nor among Windows' own stops the build.
dll_dirs=("$sysroot/bin" "$sysroot/lib" /usr/lib/gcc/$host/*-posix)
windows_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
collect() {
  # gpgconf ends the agent through gpg-connect-agent.exe, so that one travels with them.
  local queue=(gpg.exe gpg-agent.exe gpgconf.exe gpg-connect-agent.exe) seen=" " f dll dir found owner
  for f in "${queue[@]}"; do
    cp "$stage/root/bin/$f" "$stage/gnupg/$f"
  done
  while [ ${#queue[@]} -gt 0 ]; do
    f="${queue[0]}"
    queue=("${queue[@]:1}")
    echo "$f:"
    for dll in $($host-objdump -p "$stage/gnupg/$f" | sed -n 's/^\s*DLL Name: //p'); do
      echo "  $dll"
      case "$seen" in *" ${dll,,} "*) continue ;; esac
      seen+="${dll,,} "
      found=""
      for dir in "${dll_dirs[@]}"; do
        found="$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)"
        [ -n "$found" ] && break
      done
      if [ -n "$found" ]; then
        cp -L "$found" "$stage/gnupg/$dll"
        # Only files of Debian's packages are shipped; their package names the licence.
        owner="$(dpkg -S "$found" 2>/dev/null || dpkg -S "$(readlink -f "$found")")"
        echo "${owner%%:*}" >>"$stage/packages"
        queue+=("$dll")
      elif [ -z "$(find "$windows_dlls" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
        echo "$dll: loaded by $f, found neither among the libraries nor in Windows" >&2
        return 1
      fi
    done
  done
  $host-strip "$stage/gnupg"/*.exe "$stage/gnupg"/*.dll
}
step dlls collect

# Licence texts of every part shipped, and the source packages of the libraries the engine loads.
licences() {
  local pkg src
  # The full texts of the GPL and LGPL versions, which the libraries' copyright files only name.
  for f in "$work/src"/COPYING*; do cp "$f" "$stage/gnupg/licenses/gnupg-$(basename "$f")"; done
  cp "$work/src/debian/copyright" "$stage/gnupg/licenses/gnupg2.copyright"
  cp "$dsc" "${patches[@]}" "$stage/source/"
  awk '/^Files:/{f=1;next} /^[^ ]/{f=0} f && NF == 3 {print $3}' "$dsc" | while read -r src; do
    cp "$work/download/$src" "$stage/source/"
  done
  for pkg in $(sort -u "$stage/packages"); do
    cp "/usr/share/doc/$pkg/copyright" "$stage/gnupg/licenses/$pkg.copyright"
    src="$(dpkg-query -W -f='${source:Package}=${source:Version}' "$pkg")"
    case "$src" in gcc-mingw-w64=* | mingw-w64=*) continue ;; esac
    # A library source the mirror cannot give is not silently left out: what its licence asks
    # instead is shipped, and the list says which way each one is met.
    if ! (cd "$stage/source" && apt-get -q "${apt_opts[@]}" source --download-only "$src"); then
      rm -f "$stage/source/${src%%=*}_"*
      no_source "$pkg" "${src%%=*}" "${src#*=}" >>"$stage/source/MISSING-SOURCES.txt"
    fi
  done
}
# One line for a library whose source is not bundled: how its licence is met, or UNMET.
no_source() {
  local pkg="$1" name="$2" version="$3" dll
  dll="$(dpkg -L "$pkg" | grep -i '\.dll$' | xargs -r -n1 basename | sort -u | paste -sd' ')"
  case "$name" in
    npth)
      # LGPL 2.1, section 6(c): object code may go with a written offer of the source instead.
      cat >"$stage/gnupg/licenses/$name.WRITTEN-OFFER.txt" <<OFFER
Written offer for the source code of $name $version

The engine in this folder loads $dll, built from the library $name, version $version, as
Debian packaged it ($pkg). $name is free software under the GNU Lesser General Public
License, version 2.1 or later (its terms: $pkg.copyright and gnupg-COPYING.LGPL21 in this
folder).

For at least three years from the day you received this package, and for as long as we offer
spare parts or support for it, the Murkwell developers will give anyone who asks, for no more
than our cost of physically making the copy, a complete machine-readable copy of the source
code of $name $version (Debian's source package "$name", version $version: the .dsc file,
the original tarball and the Debian tarball), on a medium customarily used for software
interchange or as a download. Ask at the address you received this package from, naming
"$name $version".
OFFER
      echo "$name=$version: LGPL-2.1+; source not bundled; written offer shipped in gnupg/licenses/$name.WRITTEN-OFFER.txt" ;;
    libz-mingw-w64 | zlib)
      echo "$name=$version: zlib licence, which asks for neither source nor an offer; its text is in gnupg/licenses/$pkg.copyright" ;;
    *)
      echo "$name=$version: UNMET: no source and no known way to meet its licence" ;;
  esac
}
step licences licences
if [ -f "$stage/source/MISSING-SOURCES.txt" ]; then
  sed 's/^/engine: source not bundled: /' "$stage/source/MISSING-SOURCES.txt" >&2
  if grep -q ': UNMET:' "$stage/source/MISSING-SOURCES.txt"; then
    echo "engine: warning: a library's licence is not met; this build is not fit for release" \
      "(see $work/source/MISSING-SOURCES.txt)" >&2
  fi
fi

# In place only now, and together: the engine, its sources, then the stamp.
rm -rf "$work/gnupg.old" "$work/source.old"
[ -d "$work/gnupg" ] && mv "$work/gnupg" "$work/gnupg.old"
[ -d "$work/source" ] && mv "$work/source" "$work/source.old"
mv "$stage/gnupg" "$work/gnupg"
mv "$stage/source" "$work/source"
rm -rf "$work/gnupg.old" "$work/source.old" "$stage"
stamp_key >"$work/stamp"
echo "Engine ready: $work/gnupg"
