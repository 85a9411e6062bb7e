#!/usr/bin/env bash
# The whole test suite from a clean clone: dependencies, the formatting check, the release build
# (every target, as play.sh and the benchmarks use it), the sanitizer build (ci preset) and CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
bash scripts/install-deps.sh
bash scripts/check-format.sh
cmake --preset release
cmake --build --preset release -j "$jobs"
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"
