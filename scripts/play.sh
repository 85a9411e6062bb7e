#!/usr/bin/env bash
# Builds the game (release preset) and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build-release/tools/morrow-probe start-end
