#!/usr/bin/env bash
# The layer check catches what it is there for: a copy of the view's archive with nothing added
# passes, and the same copy with one planted object that needs a denied symbol (or a symbol of
# the flow) fails with exit 1 and the finding named for that object.
#
#   check_game_layers_selftest.sh SOURCE_DIR AR CORE.a BATTLE.a VIEW.a FLOW.a [OBJECT FINDING]...
#
# FINDING is the line the check must print for OBJECT, without its "check-game-layers: " head.
# Exits 0 when every case holds, 1 when one does not, 2 on bad arguments.
set -u
if [ $# -lt 6 ] || [ $((($# - 6) % 2)) -ne 0 ]; then
  echo "usage: $0 SOURCE_DIR AR CORE.a BATTLE.a VIEW.a FLOW.a [OBJECT FINDING]..." >&2
  exit 2
fi
src=$1 ar=$2 core=$3 battle=$4 view=$5 flow=$6
shift 6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Runs the check on a fresh copy of the view's archive with $1 (if any) added; sets status and
# leaves the check's output in $work/out.
check_copy() {
  cp "$view" "$work/view.a" || exit 2
  if [ -n "$1" ]; then "$ar" q "$work/view.a" "$1" || exit 2; fi
  bash "$src/scripts/check-game-layers.sh" "$src" "$core" "$battle" "$work/view.a" "$flow" \
    >"$work/out" 2>&1
  status=$?
}

check_copy ""
if [ "$status" -ne 0 ]; then
  echo "FAIL: the copy with nothing planted: exit $status"
  cat "$work/out"
  failed=1
fi
while [ $# -gt 0 ]; do
  object=$1 finding=$2
  shift 2
  check_copy "$object"
  if [ "$status" -ne 1 ] || ! grep -qxF "check-game-layers: $finding" "$work/out"; then
    echo "FAIL: planted $object: exit $status, expected 1 and \"$finding\"; the check said:"
    cat "$work/out"
    failed=1
  else
    echo "caught: $finding"
  fi
done
exit $failed
