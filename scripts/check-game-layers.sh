#!/usr/bin/env bash
# The game's layers as built and as written (scripts/check_game_layers.py says what it checks):
# upward symbols, the view's deny list, the battle's allow list, the view's sources, and, given
# STATE_MAP, the battle state's completeness.
#
#   check-game-layers.sh SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a [STATE_MAP]
#
# Prints each finding and exits 1 when there is one, 0 when there is none, 2 on bad arguments. The
# check reads the archives through Python's ELF reader (Debian's python3-pyelftools), which the
# first python3 on PATH may lack (a python3 of its own build does): the system's comes first.
set -u
here=$(dirname "${BASH_SOURCE[0]}")
for python in /usr/bin/python3 python3; do
  if "$python" -c 'import elftools' >/dev/null 2>&1; then
    exec "$python" "$here/check_game_layers.py" "$@"
  fi
done
echo "check-game-layers: no python3 with the ELF reader elftools (Debian: python3-pyelftools;" \
  "scripts/install-deps.sh installs it)" >&2
exit 2
