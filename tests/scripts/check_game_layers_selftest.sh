#!/usr/bin/env bash
# The layer check catches what it is there for: copies of the archives with nothing added pass,
# and a copy of one layer's archive with one planted object that needs a denied symbol (or a
# symbol of a layer above) fails with exit 1 and the finding named for that object; an object
# that breaks no rule passes.
#
#   check_game_layers_selftest.sh SOURCE_DIR AR CORE.a BATTLE.a VIEW.a FLOW.a [LAYER OBJECT FINDING]...
#
# LAYER is core, battle, view or flow: the archive OBJECT joins. FINDING is the line the check must
# print for OBJECT, without its "check-game-layers: " head; "-" when the check must pass.
# Exits 0 when every case holds, 1 when one does not, 2 on bad arguments.
set -u
if [ $# -lt 6 ] || [ $((($# - 6) % 3)) -ne 0 ]; then
  echo "usage: $0 SOURCE_DIR AR CORE.a BATTLE.a VIEW.a FLOW.a [LAYER OBJECT FINDING]..." >&2
  exit 2
fi
src=$1 ar=$2
declare -A lib=([core]=$3 [battle]=$4 [view]=$5 [flow]=$6)
shift 6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Runs the check on fresh copies of the archives with $2 (if any) added to layer $1's; sets
# status and leaves the check's output in $work/out.
check_copy() {
  local name
  for name in core battle view flow; do cp "${lib[$name]}" "$work/$name.a" || exit 2; done
  if [ -n "$2" ]; then "$ar" q "$work/$1.a" "$2" || exit 2; fi
  bash "$src/scripts/check-game-layers.sh" "$src" "$work/core.a" "$work/battle.a" "$work/view.a" \
    "$work/flow.a" >"$work/out" 2>&1
  status=$?
}

check_copy view ""
if [ "$status" -ne 0 ]; then
  echo "FAIL: the copies with nothing planted: exit $status"
  cat "$work/out"
  failed=1
fi
while [ $# -gt 0 ]; do
  layer=$1 object=$2 finding=$3
  shift 3
  if [ -z "${lib[$layer]+set}" ]; then
    echo "check_game_layers_selftest: no layer $layer" >&2
    exit 2
  fi
  check_copy "$layer" "$object"
  if [ "$finding" = "-" ]; then
    if [ "$status" -ne 0 ]; then
      echo "FAIL: planted $object in $layer: exit $status, expected 0; the check said:"
      cat "$work/out"
      failed=1
    else
      echo "passed: $object in $layer"
    fi
  elif [ "$status" -ne 1 ] || ! grep -qxF "check-game-layers: $finding" "$work/out"; then
    echo "FAIL: planted $object in $layer: exit $status, expected 1 and \"$finding\"; the check said:"
    cat "$work/out"
    failed=1
  else
    echo "caught: $finding"
  fi
done
exit $failed
