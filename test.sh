#!/usr/bin/env bash
# Installs what the build and the tests need, builds, and runs every test;
# then runs every fuzz target a few seconds (scripts/fuzz.sh, clang, in
# build-fuzz/) and the unit and gui tests once more built with AddressSanitizer
# and UndefinedBehaviorSanitizer (scripts/sanitize.sh, in build-asan/).
# Arguments go to ctest and run the normal build's tests alone.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --test
scripts/build.sh
(cd build && ctest --output-on-failure -j "$(nproc)" "$@")
if [ $# -eq 0 ]; then
    scripts/fuzz.sh "${PAWMELO_FUZZ_SECONDS:-5}"
    scripts/sanitize.sh
fi
