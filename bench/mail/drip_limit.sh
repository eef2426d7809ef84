#!/usr/bin/env bash
# Times one connect, with the library's everyday limits, to a scripted server
# that drips its capability list one line every 5 s (inside the 30 s per-line
# deadline): 60 lines, 5 minutes without an overall limit. Expect about 30 s.
#
#   bench/mail/drip_limit.sh [BUILD_DIR] [PAUSE_MS] [LINES]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)

cmake --build "$build_dir" --target drip_limit_bench >/dev/null
"$build_dir/bench/mail/drip_limit_bench" "${2:-5000}" "${3:-60}"
