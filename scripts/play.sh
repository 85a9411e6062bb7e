#!/usr/bin/env bash
# Builds the game (release preset) and runs it in the current folder, where it reads and writes
# its Data/ files and finds its Resource/ tree. A folder without a finished placeholder tree of
# make-demo-resources gets one first (demo-resources.sh), so the game runs from a fresh clone; a
# Resource/ of real resources is used as it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(
  cd "$root"
  bash scripts/install-deps.sh
  cmake --preset release >/dev/null
  cmake --build --preset release
)
bash "$root/scripts/demo-resources.sh" "$root/build-release/tools/make-demo-resources" .
exec "$root/build-release/veyrdale"
