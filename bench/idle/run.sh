#!/usr/bin/env bash
# How much the program costs while it sits on the desktop: the real program,
# installed into a scratch folder, runs under Xvfb with interval checking on
# (1 minute) against an empty mailbox on a private Dovecot, the panel hidden.
# After a warm-up it measures CPU time per second of wall time and the
# resident memory, and counts the checks the server saw.
#
#   bench/idle/run.sh [BUILD_DIR] [SECONDS] [INTERVAL_MINUTES]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
seconds=${2:-60}
warmup=5
interval=${3:-1}

work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=
program_pid=
cleanup() {
    if [ -n "$program_pid" ]; then
        kill -KILL "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    "$source_dir/scripts/dovecot.sh" stop "$work/dovecot" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

cmake --build "$build_dir" --target pawmelo >/dev/null
# A program folder of its own: the executable, its assets, an empty settings folder.
mkdir -p "$work/program/★MailData"
cp -r "$build_dir/pawmelo" "$build_dir/Sound" "$build_dir/画像データ" "$work/program/"

# An empty mailbox, in clear (no certificate to trust).
DOVECOT_TLS=no "$source_dir/scripts/dovecot.sh" start "$work/dovecot" 0 >/dev/null
port=$(cut -d' ' -f1 "$work/dovecot/ports")

settings="$work/program/★MailData"
printf '[EXEINI]\r\nNUMBER=0\r\nNUMBER2=%s\r\nNUMBER4=0\r\n' "$interval" > "$settings/ini.ini"
printf '[EXEINI]\r\nNAME=test\r\nNAME2=s3cret\r\n' > "$settings/iniIdPass.ini"
mkdir "$work/cwd"
printf 'SMTP=\r\nPOP3=127.0.0.1:%s\r\nMAIL=\r\nAPOP=0\r\n' "$port" > "$work/cwd/kestra.ini"

display=$(( 200 + $$ % 300 ))
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.05; done

(cd "$work/cwd" && DISPLAY=":$display" exec "$work/program/pawmelo" -platform xcb >/dev/null 2>&1) &
program_pid=$!

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$program_pid/stat"; }
sleep "$warmup"
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$program_pid/status")
logins=$(grep -c 'Login: user=<test>' "$work/dovecot/dovecot.log" || true)

awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$seconds" -v r="$rss_kb" -v l="$logins" -v iv="$interval" 'BEGIN {
    printf "idle, interval %s min, %d s after a %d s warm-up:\n", iv, s, 5
    printf "  CPU: %.3f %% of one core (%.2f s of CPU)\n", (a - b) / t / s * 100, (a - b) / t
    printf "  resident memory: %.1f MB\n", r / 1024
    printf "  checks the server saw: %d\n", l
}'
