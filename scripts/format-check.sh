#!/usr/bin/env bash
# Checks that every C and C++ file in the repository is laid out as .clang-format says, with the
# clang-format version the install script pins (another version lays some lines out differently).
# Lists each file that differs; with --fix it formats them in place instead.
#   scripts/format-check.sh [--fix]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tool=clang-format-14
command -v "$tool" >/dev/null || { echo "format check: $tool is missing (scripts/install-deps.sh)"; exit 1; }
cd "$root"
# The tracked files; in a copy without git's metadata, every such file outside the build tree.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h')
else
  mapfile -t files < <(find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
if [ "${1:-}" = "--fix" ]; then
  "$tool" -i "${files[@]}"
  exit 0
fi
off=0
for f in "${files[@]}"; do
  if ! "$tool" --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "format check: $f differs from .clang-format (scripts/format-check.sh --fix)"
    off=$((off + 1))
  fi
done
echo "format check: ${#files[@]} files, $off off-format"
[ "$off" -eq 0 ]
