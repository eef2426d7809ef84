#!/usr/bin/env bash
# Compares full passes of the mail library (connect, log in, status, size and
# message for every message, close) with curl fetching the same messages from
# the same server. Both are timed the same way: as whole processes, from the
# start of the program to its end, one pass per process, start-up, TLS set-up
# and certificate checks included. The library runs in mail_bench, a small
# command-line driver that also prints the time from its connect to its close
# (shown as "inside the process").
#
#   bench/mail/run.sh [BUILD_DIR] [MESSAGES] [SIZE] [RUNS] [NAGLE_MESSAGES]
#
# Defaults: 1000 messages of 10 KB, 9 runs, 100 messages for the third round.
# Three rounds:
#   1. a private Dovecot without TLS: both clients talk in clear;
#   2. a private Dovecot with TLS: the library upgrades with STLS and checks
#      the server against the test certificate (pinned with --ca), curl is
#      told to do the same (--ssl-reqd --cacert);
#   3. nagle_server.py, which writes every reply line with its own send()
#      and keeps Nagle's algorithm on. curl waits for delayed ACKs there
#      (about 45 ms a message), hence fewer messages by default.
# The runs are taken in turns; the median and the best of them are shown (on
# a shared machine the best is the steadier figure), with the machine's load
# before and after.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
messages=${2:-1000}
size=${3:-10240}
runs=${4:-9}
nagle_messages=${5:-100}

cmake --build "$build_dir" --target mail_bench >/dev/null
bench="$build_dir/bench/mail/mail_bench"
dovecot="$source_dir/scripts/dovecot.sh"
nagle_server="$source_dir/bench/mail/nagle_server.py"
work=$(mktemp -d /tmp/pawmelo-mail-bench.XXXXXX)
server_pid=""
dovecot_dir=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    [ -n "$dovecot_dir" ] && "$dovecot" stop "$dovecot_dir" || true
    rm -rf "$work"
}
trap cleanup EXIT

median() { tr ' ' '\n' | grep . | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
best() { tr ' ' '\n' | grep . | sort -n | head -1; }
load() { cut -d' ' -f1-3 /proc/loadavg; }

# Runs a command as a whole process and leaves its wall time in $took (ms).
# $EPOCHREALTIME is read by the shell itself, so no extra process is timed.
took=0
timed() {
    local start=$EPOCHREALTIME end status=0
    "$@" >"$work/out" 2>"$work/err" || status=$?
    end=$EPOCHREALTIME
    if [ "$status" -ne 0 ]; then
        echo "failed ($status): $*" >&2
        cat "$work/err" >&2
        exit 1
    fi
    took=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%d", (e - s) * 1000 + 0.5 }')
}

# One library pass: whole-process time in $took, and the driver's own figure
# from connect to close in $inside.
inside=0
library_pass() { # server window [ca]
    local ca=()
    [ -n "${3:-}" ] && ca=(--ca "$3")
    timed "$bench" "$1" test s3cret --window "$2" "${ca[@]}"
    inside=$(cut -d' ' -f1 "$work/out")
}

curl_pass() { # port count [curl options...]
    local port=$1 count=$2
    shift 2
    timed curl -s -S -u test:s3cret "$@" "pop3://127.0.0.1:$port/[1-$count]" -o /dev/null
}

# Runs the three clients in turns against 127.0.0.1:PORT and prints the table.
compare() { # name port count [ca]
    local name=$1 port=$2 count=$3 ca=${4:-} curl_tls=()
    [ -n "$ca" ] && curl_tls=(--ssl-reqd --cacert "$ca")
    local server="127.0.0.1:$port"
    local before
    before=$(load)
    # Warm the server's caches (and the page cache for both clients) first.
    library_pass "$server" 8 "$ca"
    curl_pass "$port" "$count" "${curl_tls[@]}"

    local pipelined=() serial=() curls=() pipelined_in=() serial_in=()
    for ((i = 0; i < runs; i++)); do
        library_pass "$server" 8 "$ca"
        pipelined+=("$took")
        pipelined_in+=("$inside")
        library_pass "$server" 0 "$ca"
        serial+=("$took")
        serial_in+=("$inside")
        curl_pass "$port" "$count" "${curl_tls[@]}"
        curls+=("$took")
    done

    local p s c bp bs bc pi si bpi bsi
    p=$(echo "${pipelined[*]}" | median)
    s=$(echo "${serial[*]}" | median)
    c=$(echo "${curls[*]}" | median)
    bp=$(echo "${pipelined[*]}" | best)
    bs=$(echo "${serial[*]}" | best)
    bc=$(echo "${curls[*]}" | best)
    pi=$(echo "${pipelined_in[*]}" | median)
    si=$(echo "${serial_in[*]}" | median)
    bpi=$(echo "${pipelined_in[*]}" | best)
    bsi=$(echo "${serial_in[*]}" | best)
    echo "== $name: $count messages, $runs runs, whole processes (ms: median, best; all runs)"
    echo "library, pipelined:             $p, $bp   (${pipelined[*]})"
    echo "library, one command at a time: $s, $bs   (${serial[*]})"
    echo "curl:                           $c, $bc   (${curls[*]})"
    awk -v p="$p" -v s="$s" -v c="$c" -v bp="$bp" -v bs="$bs" -v bc="$bc" 'BEGIN {
        printf "ratio library / curl: %.2f median, %.2f best (one command at a time: %.2f, %.2f)\n",
            p / c, bp / bc, s / c, bs / bc
        printf "pipelined / one command at a time: %.2f median, %.2f best\n", p / s, bp / bs }'
    echo "inside the library's process, connect to close: pipelined $pi, $bpi; one command at a time $si, $bsi"
    echo "load average (1, 5, 15 min): $before before, $(load) after"
}

dovecot_round() { # name tls(yes|no)
    local name=$1 tls=$2 port ca=""
    dovecot_dir="$build_dir/bench/mail/dovecot-tls-$tls"
    DOVECOT_TLS=$tls "$dovecot" start "$dovecot_dir" "$messages" "$size"
    read -r port _ <"$dovecot_dir/ports"
    [ "$tls" = yes ] && ca="$dovecot_dir/ssl/cert.pem"
    compare "$name ($size bytes each)" "$port" "$messages" "$ca"
    "$dovecot" stop "$dovecot_dir"
    dovecot_dir=""
}

nagle_round() {
    # One connection per pass, the warm-up passes and a few spare ones; the
    # server also ends by itself once no client has come for 30 s.
    /usr/bin/python3 "$nagle_server" "$work/nagle-port" --messages "$nagle_messages" --size "$size" \
        --connections $((3 * runs + 10)) --idle 30 &
    server_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/nagle-port" ] && break
        sleep 0.05
    done
    compare "Nagle server ($size bytes each)" "$(cat "$work/nagle-port")" "$nagle_messages"
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
}

echo "$(nproc) cores; $(uptime)"
dovecot_round "in clear" no
dovecot_round "STLS" yes
nagle_round
echo "$(uptime)"
