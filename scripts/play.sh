#!/usr/bin/env bash
# Builds the game and the one tool it needs (release preset) and runs it in the current folder,
# where it reads and writes its Data/ files and finds its Resource/ tree. A folder without a
# finished placeholder tree of make-demo-resources gets one first (demo-resources.sh), so the game
# runs from a fresh clone; a Resource/ of real resources is used as it is. Tests, benchmarks and
# the other tools are left to scripts/test.sh or a build of the whole preset.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(
  cd "$root"
  bash scripts/install-deps.sh
  cmake --preset release >/dev/null
  cmake --build --preset release --target veyrdale make-demo-resources
)
bash "$root/scripts/demo-resources.sh" "$root/build-release/tools/make-demo-resources" .
exec "$root/build-release/veyrdale"
