#!/usr/bin/env bash
# The game's layers as built and as written: the battle's and the view's archives need nothing
# the flow defines, the battle's nothing the view defines (so they link in plain order), and no
# source under game/view/ assigns to the game state that core and the battle declare.
#
#   check-game-layers.sh SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a
#
# Prints each finding and exits 1 when there is one, 2 on bad arguments.
set -u
if [ $# -ne 5 ]; then
  echo "usage: $0 SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a" >&2
  exit 2
fi
src=$1
declare -A lib=([core]=$2 [battle]=$3 [view]=$4 [flow]=$5)
for name in "${!lib[@]}"; do
  [ -r "${lib[$name]}" ] || { echo "check-game-layers: cannot read ${lib[$name]}" >&2; exit 2; }
done
found=0

defined() { nm -C --defined-only "$1" | awk '$2 ~ /[TDBRVW]/ {$1 = ""; $2 = ""; print}' | sed 's/^ *//; s/(.*//' | sort -u; }
undefined() { nm -C -u "$1" | awk '{$1 = ""; print}' | sed 's/^ *//; s/(.*//' | sort -u; }

for pair in battle:flow view:flow battle:view core:battle core:view core:flow; do
  user=${pair%%:*}
  owner=${pair##*:}
  while IFS= read -r symbol; do
    [ -n "$symbol" ] || continue
    echo "check-game-layers: $user needs $owner's $symbol"
    found=1
  done < <(comm -12 <(undefined "${lib[$user]}") <(defined "${lib[$owner]}"))
done

# The game state: the globals core and the battle declare (extern NAME, extern NAME[...]).
names=$(grep -hoE '^extern [^;(]*[ *&]([A-Za-z_][A-Za-z0-9_]*)(\[[^]]*\])*;' "$src"/game/core/*.h \
          "$src"/game/battle/*.h | sed -E 's/(\[[^]]*\])*;$//; s/.*[ *&]//' | sort -u | paste -sd'|')
if [ -z "$names" ]; then
  echo "check-game-layers: no game state found under $src/game" >&2
  exit 2
fi
# NAME, its elements and fields, then an assignment or a step; or a step before NAME.
target="\\b($names)\\b(\\[[^]]*\\])*((\\.|->)[A-Za-z_][A-Za-z0-9_]*(\\[[^]]*\\])*)*"
while IFS= read -r hit; do
  echo "check-game-layers: the view assigns game state: $hit"
  found=1
done < <(grep -nE "$target\\s*([-+*/%&|^]?=[^=]|\\+\\+|--)|(\\+\\+|--)\\s*$target" "$src"/game/view/*.cpp \
           "$src"/game/view/*.h | grep -vE '^[^:]+:[0-9]+:\s*//')
exit $found
