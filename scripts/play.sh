#!/usr/bin/env bash
# Builds the game (release preset) and runs it in the current folder, where it reads and writes
# its Data/ files and finds its Resource/ tree.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(
  cd "$root"
  bash scripts/install-deps.sh
  cmake --preset release >/dev/null
  cmake --build --preset release
)
exec "$root/build-release/veyrdale"
