#!/usr/bin/env bash
# demo-resources.sh TOOL DIR: sees that a game started in DIR finds a resource tree, with TOOL
# being make-demo-resources. Runs in one DIR take turns: the rule holds DIR locked from its look
# at the tree to the tool's end, handing its turn to the tool, and waits while another rule or
# tool holds it; so of two rules started at once the later finds the tree the earlier finished
# and does not run the tool. Then the staging folders in DIR that no live run holds (a killed run
# left them) go, whatever tree is there: only folders of the tool's exact naming,
# .make-demo-resources- and six letters or digits. A Resource/ the tool wrote and finished (its
# mark a regular file saying so) is then used as it is. Otherwise the tool runs: it writes a
# missing tree and replaces one of its own that it did not finish (a tree an earlier run left cut
# short); a Resource/ holding anything it did not write (real resources) or may not replace
# (another user's) it tells before writing a byte, and exits 3 leaving it as it is, so the game
# starts on it however full the disk is. Nothing in the tree is read that could keep the rule
# waiting (a pipe at the mark's name is no mark). The tool's lines go to standard error. Exit 0
# when the game may start, else the tool's status.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: demo-resources.sh TOOL DIR" >&2
  exit 2
fi
tool=$1
dir=$2
# The tool makes its staging folder only while it holds DIR, so while the rule holds it no run
# is between making its folder and locking it. The tool is given the locked folder as its
# standard input, through which it takes the turn the rule holds instead of waiting for it.
lock=
if [ -d "$dir" ] && { exec {lock}<"$dir"; } 2>/dev/null; then
  flock "$lock"
fi
# Only the tool's own naming is a staging folder: its prefix and the six letters or digits mkdtemp
# puts after it, spelled out, as a range would follow the locale's order. A live run holds its
# staging folder with flock; one that can be locked has no run behind it. flock removes under the
# lock, so no run can take the folder while it goes.
letters=ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789
exact="^\.make-demo-resources-[$letters]{6}\$"
for staging in "$dir"/.make-demo-resources-*; do
  if [[ ${staging##*/} =~ $exact ]] && [ -d "$staging" ] && [ ! -L "$staging" ]; then
    flock -n "$staging" rm -rf -- "$staging" 2>/dev/null || true
  fi
done
# Only a regular file is read, and that without waiting (in case it turned into a pipe since).
mark=$dir/Resource/.make-demo-resources
if [ -f "$mark" ] && [ ! -L "$mark" ] &&
  [ "$(dd if="$mark" iflag=nonblock bs=64 count=1 status=none 2>/dev/null)" = complete ]; then
  exit 0
fi
status=0
said=$("$tool" "$dir" 2>&1 <&"${lock:-0}") || status=$?
if [ -n "$said" ]; then
  printf '%s\n' "$said" >&2
fi
# 3: a Resource/ the tool may not replace, kept for the game to start on.
if [ "$status" -eq 3 ]; then
  exit 0
fi
exit "$status"
