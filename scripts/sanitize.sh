#!/usr/bin/env bash
# Builds Pawmelo and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (gcc) into build-asan/ and runs the unit and gui
# tests there. Any report fails the test that made it: UBSan halts on its
# first error, ASan aborts, and leaks are reported at exit (none are
# suppressed: Qt's offscreen platform leaves none behind). Extra arguments go
# to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-asan
sanitizers="-fsanitize=address,undefined"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer -fno-sanitize-recover=all" \
        -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$build"
ctest --output-on-failure -j "$(nproc)" -L 'unit|gui' "$@"
