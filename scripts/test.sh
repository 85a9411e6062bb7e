#!/usr/bin/env bash
# The whole test suite from a clean clone: dependencies, the formatting check, the release build
# (every target, as play.sh and the benchmarks use it) with each unit and integration test binary
# run whole there, the sanitizer build (ci preset) and CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
bash scripts/install-deps.sh
bash scripts/check-format.sh
cmake --preset release
cmake --build --preset release -j "$jobs"
# Every case of a unit or integration binary in one process, with the drivers the ci preset's
# test run sets.
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
  ctest --test-dir build-release -L whole -j "$jobs" --timeout 600 --output-on-failure \
  --no-tests=error
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"
