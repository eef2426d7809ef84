#!/usr/bin/env bash
# Runs the unit and gui tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer: the instrumented build in build-fuzz/ (clang-14,
# every file of the project instrumented, see scripts/instrumented_build.sh),
# which the fuzz targets share. Only those tests are built there. Any report
# fails the test that made it: UBSan halts on its first error, ASan aborts,
# and leaks are reported at exit (none are suppressed: Qt's offscreen
# platform leaves none behind). Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/instrumented_build.sh unit_tests gui_tests

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd build-fuzz
ctest --output-on-failure -j "$(nproc)" -L 'unit|gui' "$@"
