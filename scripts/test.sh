#!/usr/bin/env bash
# The whole test suite from a clean clone: dependencies, the sanitizer build (ci preset), CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci
