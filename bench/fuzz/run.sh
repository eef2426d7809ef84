#!/usr/bin/env bash
# Fuzzes longer than the test run does: every target for SECONDS (default 60)
# from its starting inputs and from what earlier runs found (build-fuzz/fuzz/<target>/
# corpus), after its kept faults. Prints executions per target and faults;
# a failing input is kept under build-fuzz/fuzz/<target>/artifacts/.
#
#   bench/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
seconds=${1:-60}
shift || true
exec "$(dirname "$0")/../../scripts/fuzz.sh" "$seconds" "$@"
