#!/usr/bin/env bash
# The long soak of the battle under the sanitizer build (ci preset): seeds 1-100 (or the range
# given, as A-B) of 5000 frames each, for two players and for two teams of two, every invariant
# checked after every frame. Each run is a process of its own with random input from its own
# seed; each soak ends with "soak: N runs, F failures, D distinct" (D: how many different final
# battle states the clean runs reached) and the script exits 1 when any run failed. Then four
# computer players on characters drawn per seed: seeds 1-500 (or the range given as a second
# argument) of 5000 frames, JOBS runs at a time (default: the processors, at most 4); its clean
# runs' lines are left out, its failures and summary shown. Last the same computer players with
# full spell gauges (--force-cards), so that every special move and card they reach must end.
# Exit 2 on a usage error (an option, a range not of the form A-B, a JOBS that is no count), before
# anything is built.
set -euo pipefail
usage() {
  echo "usage: [JOBS=N] bash scripts/battle-soak.sh [SEEDS [CPU_SEEDS]]   (ranges as A-B)" >&2
  exit 2
}
[ $# -le 2 ] || usage
seeds=${1:-1-100}
cpu_seeds=${2:-1-500}
jobs=${JOBS:-$(n=$(nproc); echo $((n < 4 ? n : 4)))}
[[ $seeds =~ ^[0-9]+-[0-9]+$ && $cpu_seeds =~ ^[0-9]+-[0-9]+$ && $jobs =~ ^[1-9][0-9]*$ ]] || usage
cd "$(dirname "$0")/.."
cmake --preset ci >/dev/null
cmake --build --preset ci --target battle-sim
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
common=(--seeds "$seeds" --arena 0 --maps tests/data/maps --frames 5000 --check-invariants)
status=0
echo "two players:"
build/tools/battle-sim "${common[@]}" --players 2 --chars 0,1 || status=1
echo "two teams of two:"
build/tools/battle-sim "${common[@]}" --players 4 --chars 0,1,0,1 --teams 0,1,0,1 || status=1
echo "four computer players, random characters:"
build/tools/battle-sim --seeds "$cpu_seeds" --arena 0 --maps tests/data/maps --frames 5000 \
  --check-invariants --players 4 --cpu all --chars random --jobs "$jobs" | grep -v '^seed [0-9]* chars ' || status=1
echo "four computer players declaring often:"
build/tools/battle-sim --seeds "$cpu_seeds" --arena 0 --maps tests/data/maps --frames 5000 \
  --check-invariants --players 4 --cpu all --chars random --force-cards --jobs "$jobs" |
  grep -v '^seed [0-9]* chars ' || status=1
exit $status
