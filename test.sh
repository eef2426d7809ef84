#!/usr/bin/env bash
# Installs what the build and the tests need, builds, and runs every test;
# then builds the instrumented build (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz/), runs every fuzz target a few
# seconds there (scripts/fuzz.sh) and the unit and gui tests once more
# (scripts/sanitize.sh). Ends with the seconds each stage took.
# Arguments go to ctest and run the normal build's tests alone.
set -euo pipefail
cd "$(dirname "$0")"

# The time of each stage, printed at the end even when a stage fails, so a
# CI log shows where the time went.
stages=()
started=$SECONDS
stage() { # name command...
    local name=$1 start=$SECONDS status=0
    shift
    "$@" || status=$?
    local line
    line=$(printf '%-20s %5d s' "$name" $((SECONDS - start)))
    [ "$status" -eq 0 ] || line+="  (failed, exit $status)"
    stages+=("$line")
    return "$status"
}
summary() {
    echo "time per stage:"
    printf '  %s\n' "${stages[@]}"
    printf '  %-20s %5d s\n' total $((SECONDS - started))
}
trap summary EXIT

stage packages scripts/deps.sh --test
stage format scripts/check_format.sh
stage build scripts/build.sh
stage tests bash -c 'cd build && ctest --output-on-failure -j "$(nproc)" "$@"' ctest "$@"
if [ $# -eq 0 ]; then
    stage "instrumented build" scripts/instrumented_build.sh fuzzers unit_tests gui_tests
    stage fuzz scripts/fuzz.sh "${PAWMELO_FUZZ_SECONDS:-5}"
    stage sanitizer scripts/sanitize.sh
fi
