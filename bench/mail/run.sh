#!/usr/bin/env bash
# Compares full passes of the mail library (connect, log in, status, size and
# message for every message, close) with curl fetching the same messages from
# the same private Dovecot: 1000 messages of 10 KB by default.
#
#   bench/mail/run.sh [BUILD_DIR] [MESSAGES] [SIZE]
#
# Two rounds: a Dovecot without TLS, where both clients talk in clear (the
# library logs in in clear when no STLS is offered), and a Dovecot with TLS,
# where the library upgrades with STLS and curl is told to do the same. The
# runs are taken in turns; the median and the best of them are shown (on a
# shared machine the best is the steadier figure).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
messages=${2:-1000}
size=${3:-10240}
runs=9

cmake --build "$build_dir" --target mail_bench >/dev/null
bench="$build_dir/bench/mail/mail_bench"
dovecot="$source_dir/tests/mail/dovecot.sh"

now_ms() { date +%s%3N; }
median() { tr ' ' '\n' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
best() { tr ' ' '\n' | sort -n | head -1; }

# One library pass; with a CA the process makes two passes and reports the
# second, since the first also reads the system certificate store, once per
# program run.
library_pass() { # port window [ca]
    if [ -n "${3:-}" ]; then
        "$bench" "127.0.0.1:$1" test s3cret --window "$2" --ca "$3" --passes 2 | tail -1 | cut -d' ' -f1
    else
        "$bench" "127.0.0.1:$1" test s3cret --window "$2" | cut -d' ' -f1
    fi
}

curl_pass() { # port [curl options...]
    local port=$1 start
    shift
    start=$(now_ms)
    curl -s -u test:s3cret "$@" "pop3://127.0.0.1:$port/[1-$messages]" -o /dev/null
    echo $(($(now_ms) - start))
}

round() { # name tls(yes|no)
    local name=$1 tls=$2
    local dir="$build_dir/bench/mail/dovecot-tls-$tls" port ca="" curl_tls=()
    DOVECOT_TLS=$tls "$dovecot" start "$dir" "$messages" "$size"
    trap '"$dovecot" stop "'"$dir"'"' EXIT
    read -r port _ < "$dir/ports"
    if [ "$tls" = yes ]; then
        ca="$dir/ssl/cert.pem"
        curl_tls=(--ssl-reqd --cacert "$ca")
    fi
    # Warm Dovecot's indexes and caches first.
    library_pass "$port" 8 "$ca" >/dev/null
    curl_pass "$port" "${curl_tls[@]}" >/dev/null

    local pipelined=() serial=() curls=()
    for ((i = 0; i < runs; i++)); do
        pipelined+=("$(library_pass "$port" 8 "$ca")")
        serial+=("$(library_pass "$port" 0 "$ca")")
        curls+=("$(curl_pass "$port" "${curl_tls[@]}")")
    done
    "$dovecot" stop "$dir"
    trap - EXIT

    local p s c bp bs bc
    p=$(echo "${pipelined[*]}" | median)
    s=$(echo "${serial[*]}" | median)
    c=$(echo "${curls[*]}" | median)
    bp=$(echo "${pipelined[*]}" | best)
    bs=$(echo "${serial[*]}" | best)
    bc=$(echo "${curls[*]}" | best)
    echo "== $name: $messages messages of $size bytes, $runs runs (ms: median, best; all runs)"
    echo "library, pipelined:             $p, $bp   (${pipelined[*]})"
    echo "library, one command at a time: $s, $bs   (${serial[*]})"
    echo "curl:                           $c, $bc   (${curls[*]})"
    awk -v p="$p" -v s="$s" -v c="$c" -v bp="$bp" -v bs="$bs" -v bc="$bc" 'BEGIN {
        printf "ratio library / curl: %.2f median, %.2f best (one command at a time: %.2f, %.2f)\n",
            p / c, bp / bc, s / c, bs / bc }'
}

round "in clear" no
round "STLS" yes
