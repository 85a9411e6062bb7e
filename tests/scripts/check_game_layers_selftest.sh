#!/usr/bin/env bash
# The layer check catches what it is there for: copies of the archives with nothing added pass,
# and copies with planted objects that break a rule (a symbol of a layer above, one on the view's
# deny list or off the battle's allow list, themselves or through what they need of core; data of
# the battle left out of its state unseen; a view source that writes game state) fail with exit 1
# and the finding named for them; objects that break no rule pass.
#
#   check_game_layers_selftest.sh SOURCE_DIR AR CORE.a BATTLE.a VIEW.a FLOW.a STATE_MAP
#                                 [LAYERS OBJECTS FINDING]...
#
# LAYERS is core, battle, view, flow, map or source, or several of them with colons between
# (core:view), and OBJECTS as many files with colons between: each object joins the archive of the
# layer in the same place, under its own file name or, written OBJECT=MEMBER, under the name
# MEMBER; a file in the place of "map" is a state map the check reads instead of STATE_MAP, and
# one in the place of "source" joins game/view/ in a copy of SOURCE_DIR's game/ that the check
# reads instead, as "tree" (the check runs in the work folder, so its findings name tree/game/...).
# FINDING is the line the check must print for the objects, without its "check-game-layers: "
# head, or several such lines with "|" between; "-" when the check must pass. Exits 0 when every
# case holds, 1 when one does not, 2 on bad arguments. STATE_MAP is the check's own sixth argument:
# a planted object that defines data is not in it, as a global added to the battle without a place
# in the state.
set -u
if [ $# -lt 7 ] || [ $((($# - 7) % 3)) -ne 0 ]; then
  echo "usage: $0 SOURCE_DIR AR CORE.a BATTLE.a VIEW.a FLOW.a STATE_MAP" \
    "[LAYERS OBJECTS FINDING]..." >&2
  exit 2
fi
# Absolute, as the check runs in the work folder.
src=$(realpath "$1") && state_map=$(realpath "$7") || exit 2
ar=$2
declare -A lib=([core]=$3 [battle]=$4 [view]=$5 [flow]=$6)
shift 7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Runs the check on fresh copies of the archives with each object of the list $2 (if any) added to
# the archive of the layer in the same place of the list $1, and the state map there if "map" is
# among the layers; sets status and leaves the check's output in $work/out.
check_copy() {
  local name i map=$state_map object tree=$src
  local -a layers objects
  IFS=: read -ra layers <<<"$1"
  IFS=: read -ra objects <<<"$2"
  for name in core battle view flow; do cp "${lib[$name]}" "$work/$name.a" || exit 2; done
  for i in "${!objects[@]}"; do
    object=${objects[i]}
    if [ "${layers[i]}" = map ]; then
      map=$(realpath "$object") || exit 2
      continue
    fi
    if [ "${layers[i]}" = source ]; then
      tree=tree
      rm -rf "$work/tree" && mkdir "$work/tree" && cp -r "$src/game" "$work/tree/" &&
        cp "$object" "$work/tree/game/view/" || exit 2
      continue
    fi
    if [[ $object == *=* ]]; then
      mkdir -p "$work/member" || exit 2
      cp "${object%%=*}" "$work/member/${object#*=}" || exit 2
      object=$work/member/${object#*=}
    fi
    "$ar" q "$work/${layers[i]}.a" "$object" || exit 2
  done
  (cd "$work" && bash "$src/scripts/check-game-layers.sh" "$tree" core.a battle.a view.a flow.a \
    "$map") >"$work/out" 2>&1
  status=$?
}

check_copy "" ""
if [ "$status" -ne 0 ]; then
  echo "FAIL: the copies with nothing planted: exit $status"
  cat "$work/out"
  failed=1
fi
while [ $# -gt 0 ]; do
  layer=$1 object=$2 finding=$3
  shift 3
  IFS=: read -ra names <<<"$layer"
  IFS=: read -ra files <<<"$object"
  for name in "${names[@]}"; do
    [ -n "${lib[$name]+set}" ] || [ "$name" = map ] || [ "$name" = source ] ||
      { echo "check_game_layers_selftest: no layer $name" >&2; exit 2; }
  done
  if [ "${#names[@]}" -eq 0 ] || [ "${#names[@]}" -ne "${#files[@]}" ]; then
    echo "check_game_layers_selftest: $layer names ${#names[@]} layers for ${#files[@]} objects" >&2
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
  else
    IFS='|' read -ra wanted <<<"$finding"
    missing=()
    for line in "${wanted[@]}"; do
      grep -qxF "check-game-layers: $line" "$work/out" || missing+=("\"$line\"")
    done
    if [ "$status" -ne 1 ] || [ ${#missing[@]} -gt 0 ]; then
      echo "FAIL: planted $object in $layer: exit $status, expected 1 and ${missing[*]}; the check" \
        "said:"
      cat "$work/out"
      failed=1
    else
      printf 'caught: %s\n' "${wanted[@]}"
    fi
  fi
done
exit $failed
