#!/usr/bin/env bash
# Builds the game (release preset) and runs it in the current folder, where it reads and writes
# its Data/ files and finds its Resource/ tree. A folder without Resource/ gets the placeholder
# tree of make-demo-resources first, so the game runs from a fresh clone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(
  cd "$root"
  bash scripts/install-deps.sh
  cmake --preset release >/dev/null
  cmake --build --preset release
)
if [ ! -e Resource ]; then
  "$root/build-release/tools/make-demo-resources" .
fi
exec "$root/build-release/veyrdale"
