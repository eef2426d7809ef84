#!/usr/bin/env bash
# Whether memory grows with each announcement: the real program, installed
# into a scratch folder, runs under Xvfb against a private Dovecot holding one
# message, with the notice board closing itself. Through its panel, pressed
# with xdotool as a user would, it checks ("受信": the board comes up and
# closes, the alert starts: tune, wandering mascot) and ends the alert ("戻す")
# CHECKS times, and the resident memory of the whole process is printed as it
# goes. With a second build folder both programs run side by side, each on
# its own display, so that they are compared under the same load.
#
#   bench/memory/run.sh [BUILD_DIR] [CHECKS] [BASELINE_BUILD_DIR]
#
# The first WARMUP checks (default 10) fill the font, style and library
# caches; growth is counted from there. MEMORY_WRAPPER, when set, is put
# before the program's command (e.g. "heaptrack -o /tmp/trace") to find the
# owner of a growth.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
builds=("$(cd "${1:-$source_dir/build}" && pwd)")
checks=${2:-1000}
[ -n "${3:-}" ] && builds+=("$(cd "$3" && pwd)")
samples=10
warmup=${WARMUP:-10}

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    "$source_dir/scripts/dovecot.sh" stop "$work/dovecot" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

DOVECOT_TLS=no "$source_dir/scripts/dovecot.sh" start "$work/dovecot" 1 2048 >/dev/null
port=$(cut -d' ' -f1 "$work/dovecot/ports")

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# Starts program number $1 from build folder $2 on a display of its own;
# sets program_pid[$1], display[$1] and panel[$1] (the panel's window).
declare -a program_pid display panel
start_program() {
    local n=$1 build=$2 dir="$work/p$1"
    cmake --build "$build" --target pawmelo >/dev/null
    # A program folder of its own: the executable, its assets, an empty settings folder.
    mkdir -p "$dir/program/★MailData"
    cp -r "$build/pawmelo" "$build/Sound" "$build/画像データ" "$dir/program/"
    local settings="$dir/program/★MailData"
    printf '[EXEINI]\r\nNUMBER=0\r\nNUMBER2=0\r\nNUMBER4=1\r\n' > "$settings/ini.ini"
    printf '[EXEINI]\r\nNAME=test\r\nNAME2=s3cret\r\n' > "$settings/iniIdPass.ini"
    mkdir "$dir/cwd"
    printf 'SMTP=\r\nPOP3=127.0.0.1:%s\r\nMAIL=\r\nAPOP=0\r\n' "$port" > "$dir/cwd/kestra.ini"
    printf '[CLEAR]\r\n127.0.0.1:%s=1\r\n' "$port" > "$settings/servers.ini" # clear text allowed: no question

    display[n]=":$(( 200 + ($$ + 7 * n) % 300 ))"
    Xvfb "${display[n]}" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display[n]#:}" ] && break; sleep 0.05; done
    # The mascot comes up at the pointer; a double-click on it shows the panel.
    DISPLAY=${display[n]} xdotool mousemove 300 300
    (cd "$dir/cwd" && DISPLAY=${display[n]} exec ${MEMORY_WRAPPER:-} "$dir/program/pawmelo" -platform xcb >/dev/null 2>&1) &
    program_pid[n]=$!
    pids+=($!)
    local id=
    for _ in $(seq 100); do
        sleep 0.1
        DISPLAY=${display[n]} xdotool mousemove 350 350 click --repeat 2 --delay 80 1
        id=$(DISPLAY=${display[n]} xdotool search --onlyvisible --name '^Pawmelo$' 2>/dev/null | head -1) || true
        [ -n "$id" ] && break
    done
    [ -n "$id" ] || { echo "the panel of ${builds[n]} did not come up" >&2; exit 1; }
    panel[n]=$id
}

# Clicks at (x, y) of program $1's panel.
click_panel() {
    local n=$1 x=$2 y=$3
    eval "$(DISPLAY=${display[n]} xdotool getwindowgeometry --shell "${panel[n]}")"
    DISPLAY=${display[n]} xdotool mousemove $((X + x)) $((Y + y)) click 1
}

for n in "${!builds[@]}"; do start_program "$n" "${builds[n]}"; done
sleep 2

# One announced check and the alert's end, on every program at once.
check_and_end_alert() {
    for n in "${!builds[@]}"; do click_panel "$n" 64 86; done # 受信
    sleep 1.2 # the board's second, then the alert starts
    for n in "${!builds[@]}"; do click_panel "$n" 164 86; done # 戻す
    sleep 0.1
}
for ((i = 0; i < warmup; i++)); do check_and_end_alert; done

echo "resident memory (MB) over announced checks after $warmup to warm up, whole process:"
printf '%8s' checks
for n in "${!builds[@]}"; do printf '  %s' "${builds[n]}"; done
echo
report() {
    printf '%8d' "$1"
    for n in "${!builds[@]}"; do printf '  %10.1f' "$(echo "$(rss_kb "${program_pid[n]}") / 1024" | bc -l)"; done
    echo
}
declare -a first
for n in "${!builds[@]}"; do first[n]=$(rss_kb "${program_pid[n]}"); done
report 0
every=$(( checks / samples > 0 ? checks / samples : 1 ))
for ((i = 1; i <= checks; i++)); do
    check_and_end_alert
    (( i % every == 0 )) && report "$i"
done
sleep 2
logins=$(grep -c 'Login: user=<test>' "$work/dovecot/dovecot.log" || true)
for n in "${!builds[@]}"; do
    kill -0 "${program_pid[n]}" 2>/dev/null || { echo "${builds[n]}: the program has gone" >&2; exit 1; }
    last=$(rss_kb "${program_pid[n]}")
    awk -v b="${builds[n]}" -v f="${first[n]}" -v l="$last" -v c="$checks" 'BEGIN {
        printf "%s: %+.1f MB over %d checks, %.2f KB a check\n", b, (l - f) / 1024, c, (l - f) / c
    }'
done
# The right button on the mascot ends each program as a user would end it.
for n in "${!builds[@]}"; do
    DISPLAY=${display[n]} xdotool mousemove 350 350 click 3
    for _ in $(seq 300); do kill -0 "${program_pid[n]}" 2>/dev/null || break; sleep 0.1; done
done
echo "logins the server saw: $logins (of $(( (warmup + checks) * ${#builds[@]} )) checks)"
echo "machine load (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
