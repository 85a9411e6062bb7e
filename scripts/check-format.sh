#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted as .clang-format says; names the files that are
# not and exits 1. `--fix` formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$log"; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$log" | cut -d: -f1 | sort -u |
    sed 's/^/check-format: not formatted: /' >&2
  exit 1
fi
