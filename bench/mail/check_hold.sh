#!/usr/bin/env bash
# How long one scheduled check holds the program against servers that try
# to hold it, with the library's everyday limits: each check runs in a
# process of its own (check_hold_bench), timed whole from outside. Beside
# each figure: what the server really sent and how long that takes at
# 16 KB/s, and the hold beyond that time (the goal: at most 45 s).
#
#   bench/mail/check_hold.sh [BUILD_DIR] [CASE...]
#
# Cases (all by default):
#   refused-at-once   a million messages claimed, each refused at once
#   refused-slowly    3000 messages claimed, each command refused after 10 ms
#   slow-headers      five headers, each 25 s late (inside every 30 s limit)
#   dripped-message   one message listed at 10 MB, sent a line a second
#   lookup            a server name looked up through name servers that drop
#                     every query: three of them, then three with search
#                     domains. Runs in a private network and mount namespace
#                     (root, or unprivileged user namespaces); the system's
#                     resolver alone (getent) is timed beside the check.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

if [ "${1:-}" = --inside-namespace ]; then
    # Run by unshare: a loopback-only network whose resolv.conf is $2.
    conf=$2 bench=$3 name=$4
    ip link set lo up
    mount --bind "$conf" /etc/resolv.conf
    /usr/bin/python3 "$source_dir/bench/mail/silent_resolver.py" &
    resolver=$!
    trap 'kill "$resolver" 2>/dev/null || true' EXIT
    sleep 0.3
    start=$(date +%s.%N)
    getent hosts "$name" >/dev/null || true
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "  %-38s %6.1f s\n", "the system resolver alone (getent)", e - s }'
    start=$(date +%s.%N)
    out=$(QT_QPA_PLATFORM=offscreen "$bench" lookup "$name" 2>/dev/null) || true
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "  %-38s %6.1f s\n", "the check held the program", e - s }'
    sed 's/^/    /' <<<"$out"
    exit 0
fi

build_dir=$(cd "${1:-$source_dir/build}" && pwd)
shift || true
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(refused-at-once refused-slowly slow-headers dripped-message lookup)
cmake --build "$build_dir" --target check_hold_bench >/dev/null
bench="$build_dir/bench/mail/check_hold_bench"
work=$(mktemp -d /tmp/pawmelo-check-hold.XXXXXX)
trap 'rm -rf "$work"' EXIT

load() { printf 'load average %s on %s cores\n' "$(cut -d' ' -f1-3 /proc/loadavg)" "$(nproc)"; }

# Most bytes each server sends in its case (greeting and login included).
declare -A sent=([refused-at-once]=1000 [refused-slowly]=1000 [slow-headers]=600 [dripped-message]=1000)

hostile() { # case
    local start end out
    start=$(date +%s.%N)
    out=$(QT_QPA_PLATFORM=offscreen "$bench" "$1" 2>/dev/null) || true
    end=$(date +%s.%N)
    awk -v c="$1" -v s="$start" -v e="$end" -v d="${sent[$1]}" 'BEGIN {
        h = e - s; r = d / 16384
        printf "%-16s held %6.1f s; data <= %d B, %.1f s at 16 KB/s; beyond it %.1f s\n", c, h, d, r, h - r }'
    sed 's/^/    /' <<<"$out"
}

namespace() { # label, resolv.conf text
    printf '%b' "$2" >"$work/resolv.conf"
    echo "lookup: $1"
    local unshare=(unshare -n -m)
    [ "$(id -u)" -eq 0 ] || unshare=(unshare -r -n -m)
    if ! "${unshare[@]}" true 2>/dev/null; then
        echo "  skipped: no private network namespace here"
        return
    fi
    "${unshare[@]}" bash "$0" --inside-namespace "$work/resolv.conf" "$bench" pop.example.com
}

load
for c in "${cases[@]}"; do
    case $c in
    lookup)
        namespace "three name servers that drop queries" \
            'nameserver 127.0.0.1\nnameserver 127.0.0.2\nnameserver 127.0.0.3\n'
        namespace "the same with three search domains" \
            'nameserver 127.0.0.1\nnameserver 127.0.0.2\nnameserver 127.0.0.3\nsearch a.example b.example c.example\n'
        ;;
    *) hostile "$c" ;;
    esac
done
load
