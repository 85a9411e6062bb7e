#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted as .clang-format says; names the files that are
# not and exits 1. `--fix` formats them in place instead. Exit 2 on a usage error or when there is
# nothing to check with (no clang-format, no tracked C++ file).
set -euo pipefail
usage() {
  echo "usage: bash scripts/check-format.sh [--fix]" >&2
  exit 2
}
fix=no
case $# in
  0) ;;
  1) [ "$1" = "--fix" ] || usage; fix=yes ;;
  *) usage ;;
esac
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
# Outside a git checkout the assignment fails, with git's own line.
tracked=$(git ls-files -- '*.cpp' '*.h')
[ -n "$tracked" ] || { echo "check-format: no tracked C++ file in $PWD" >&2; exit 2; }
mapfile -t files <<<"$tracked"
if [ "$fix" = yes ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$log"; then
  unformatted=$(grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$log" | cut -d: -f1 | sort -u || true)
  if [ -n "$unformatted" ]; then
    sed 's/^/check-format: not formatted: /' <<<"$unformatted" >&2
  else
    # clang-format failed without naming a file it would change: its own words say why.
    echo "check-format: clang-format failed:" >&2
    cat "$log" >&2
  fi
  exit 1
fi
