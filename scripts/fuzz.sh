#!/usr/bin/env bash
# Builds the fuzz targets in the instrumented build, build-fuzz/ (clang-14
# with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, see
# scripts/instrumented_build.sh; the normal build is not touched) and runs
# every target: first once over each input it once failed
# on (tests/fuzz/regressions/<target>/), then for SECONDS from its starting inputs
# (tests/fuzz/corpus/<target>/). New inputs the fuzzer finds go to
# build-fuzz/fuzz/<target>/corpus, a failing input to .../artifacts.
# As many targets run at once as there are cores. Prints the executions and
# faults of each target; exits 1 on any fault.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 10 seconds, all targets)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
build=build-fuzz

scripts/instrumented_build.sh fuzzers

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for dir in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

# A failed check or a sanitizer report aborts, and libFuzzer keeps the input.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

# Fuzzes one target; leaves its summary line in $work/summary and, on a
# fault, what the log says about it in $work/fault.
fuzz_target() {
    local target=$1
    local binary="$build/tests/fuzz/${target}_fuzz"
    local work="$build/fuzz/$target"
    mkdir -p "$work/corpus" "$work/artifacts"
    rm -f "$work/summary" "$work/fault"
    local log="$work/last.log"
    local result=ok
    local regressions=(tests/fuzz/regressions/"$target"/*)
    local kept=0
    if [ -e "${regressions[0]}" ]; then
        kept=${#regressions[@]}
        if ! "$binary" "${regressions[@]}" >"$log" 2>&1; then
            result="FAULT on a kept input (see $log)"
        fi
    fi
    local runs=0 rate=0 artifact
    if [ "$result" = ok ]; then
        if ! "$binary" -max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=2048 \
            -max_len=4096 -artifact_prefix="$work/artifacts/" "$work/corpus" "tests/fuzz/corpus/$target" \
            >"$log" 2>&1; then
            artifact=$(grep -o "Test unit written to [^ ]*" "$log" | tail -1 | sed 's/Test unit written to //' || true)
            result="FAULT: ${artifact:-see $log}"
        fi
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
        rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
    fi
    local faults=0
    if [ "$result" != ok ]; then
        faults=1
        {
            echo "---- $target: $result"
            grep -A1 "FUZZ_CHECK failed" "$log" || true
            grep -E "runtime error|ERROR: (Address|Leak)Sanitizer|libFuzzer: (timeout|out-of-memory)|#[0-9]+ 0x[0-9a-f]+ in .* /[^ ]+/(src|tests)/[^ ]+:[0-9]+" "$log" || true
        } | head -21 >"$work/fault"
    fi
    printf '%-18s %10s executions %8s/s  %2s kept inputs  %s fault(s)  %s\n' "$target" "${runs:-0}" \
        "${rate:-0}" "$kept" "$faults" "$result" >"$work/summary"
}

# A fuzzer uses one core: as many targets run at once as there are cores,
# each still for its SECONDS.
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
        wait -n || true
    done
    fuzz_target "$target" &
done
wait

failed=0
summary=()
for target in "${targets[@]}"; do
    work="$build/fuzz/$target"
    if [ -f "$work/fault" ]; then
        failed=1
        cat "$work/fault"
    fi
    if [ -f "$work/summary" ]; then
        summary+=("$(cat "$work/summary")")
    else
        failed=1
        summary+=("$(printf '%-18s did not run to its end' "$target")")
    fi
done

echo "fuzzing, ${seconds} s per target:"
printf '  %s\n' "${summary[@]}"
exit "$failed"
