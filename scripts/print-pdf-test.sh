#!/usr/bin/env bash
# The whole print path: the editor prints a known text under Wine to the PDF printer of a private
# print server (started here, stopped by its process id), and the PDF's text is read back.
# Usage: print-pdf-test.sh WINDOWS_BUILD_TREE PRINT_TEST_EXE. Run by ctest in the Windows tree.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/fixed-layout.sh"
build_win="$1"
exe="$2"
work="$(mktemp -d)"
cupsd_pid=""
pdf_dir="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF" # where the PDF printer writes
before="$(ls "$pdf_dir" 2>/dev/null | sort)"
new_pdfs() { comm -13 <(echo "$before") <(ls "$pdf_dir" 2>/dev/null | sort) | grep '\.pdf$'; }
cleanup() {
  if [ -n "$cupsd_pid" ]; then kill "$cupsd_pid" 2>/dev/null; wait "$cupsd_pid" 2>/dev/null; fi
  for f in $(new_pdfs); do rm -f "$pdf_dir/$f"; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "print-pdf-test: $*"; exit 1; }

mkdir -p "$work/spool" "$work/cache" "$work/state" "$work/tmp" "$work/log"
chmod 0755 "$work"
chmod 1777 "$work/tmp"
cat > "$work/cupsd.conf" <<CONF
Listen $work/cups.sock
LogLevel info
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
cat > "$work/cups-files.conf" <<CONF
ServerRoot $work
RequestRoot $work/spool
CacheDir $work/cache
StateDir $work/state
TempDir $work/tmp
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
CONF
/usr/sbin/cupsd -f -c "$work/cupsd.conf" -s "$work/cups-files.conf" >"$work/log/stdout" 2>&1 &
cupsd_pid=$!
# A generous limit: the server starts slowly on a loaded machine.
for _ in $(seq 1 600); do [ -S "$work/cups.sock" ] && break; sleep 0.1; done
[ -S "$work/cups.sock" ] || fail "the print server did not start: $(cat "$work/log/stdout" "$work/log/error_log" 2>/dev/null)"
export CUPS_SERVER="$work/cups.sock"
lpadmin -p mwpdf -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd 2>/dev/null ||
  fail "could not add the PDF printer"
lpadmin -d mwpdf || fail "could not make the PDF printer the default"

# A prefix of its own: Wine keeps the print server's printers in the prefix's registry, and the
# other tests must keep seeing none.
export BUILD_WIN="$build_win/print"
mkdir -p "$BUILD_WIN"
"$root/scripts/prepare-prefix.sh" || fail "no Wine prefix for printing"
"$root/scripts/wine-emulator.sh" "$exe" || fail "the editor's print test failed"
(source "$root/scripts/wine-env.sh"; wineserver -k >/dev/null 2>&1 || true)

# The job is converted and written after the program has handed it over.
for _ in $(seq 1 600); do
  [ -n "$(new_pdfs)" ] && [ -z "$(lpstat -o 2>/dev/null)" ] && break
  sleep 0.1
done
pdf="$(new_pdfs | head -1)"
[ -n "$pdf" ] || fail "no PDF appeared in $pdf_dir; $(tail -5 "$work/log/error_log")"
text="$(pdftotext -layout "$pdf_dir/$pdf" -)" || fail "pdftotext could not read $pdf"
echo "$text"
# The printed lines in order with the empty line between. (pdftotext drops the common left
# margin, so the tab stop's indent is the layout tests' business.)
expected=$'Murkwell print check\n\nsecond line\nlast line'
got="$(printf '%s\n' "$text" | sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' | sed -e '/./,$!d' | head -4)"
[ "$got" = "$expected" ] || fail "the PDF's text was not the printed text"
echo "print-pdf-test: the printed text came back from the PDF"
