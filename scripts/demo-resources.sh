#!/usr/bin/env bash
# demo-resources.sh TOOL DIR: sees that a game started in DIR finds a resource tree, with TOOL
# being make-demo-resources. A Resource/ the tool wrote and finished is used as it is; so is one
# holding anything the tool did not write (real resources), which is never touched. Otherwise the
# tool runs: it writes a missing tree, and replaces one of its own that it did not finish (a
# tree an earlier run left cut short); for any other Resource/ it exits 3, leaving it as it is.
# (A run removes the staging folders killed runs left.) Exit 0 when the game may start, else the
# tool's status after its lines.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: demo-resources.sh TOOL DIR" >&2
  exit 2
fi
tool=$1
dir=$2
if [ "$(cat "$dir/Resource/.make-demo-resources" 2>/dev/null)" = complete ]; then
  exit 0
fi
status=0
said=$("$tool" "$dir" 2>&1) || status=$?
# 3: a Resource/ that is not the tool's, kept for the game to start on.
if [ "$status" -eq 3 ]; then
  exit 0
fi
if [ -n "$said" ]; then
  printf '%s\n' "$said" >&2
fi
exit "$status"
