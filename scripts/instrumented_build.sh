#!/usr/bin/env bash
# Configures (once) the instrumented build in build-fuzz/ (clang-14,
# libFuzzer's coverage, AddressSanitizer and UndefinedBehaviorSanitizer on
# every file; option PAWMELO_FUZZ) and builds the given targets there: the
# fuzz targets (fuzzers) for scripts/fuzz.sh, the unit and gui tests
# (unit_tests gui_tests) for scripts/sanitize.sh. The normal build is not
# touched.
#
#   scripts/instrumented_build.sh TARGET...
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-fuzz
if [ ! -f "$build/build.ninja" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPAWMELO_FUZZ=ON >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target "$@"
