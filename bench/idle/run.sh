#!/usr/bin/env bash
# How much the program costs while it sits on the desktop: the real program,
# installed into a scratch folder, runs under Xvfb with interval checking on
# (1 minute) against an empty mailbox on a private Dovecot. After a warm-up
# it measures CPU time per second of wall time with the panel hidden, then
# shows the panel (a double-click on the mascot, as a user does) and
# measures again with the panel on screen, its name display scrolling; then
# the resident memory, and the checks the server saw. The X server's own CPU
# is given beside it (drawing lands there too). Beside the panel on screen it
# measures, on the same display, two Qt programs of the panel's size that
# tick every 20 ms (bench/idle/tick_floor.cpp): one draws nothing (the floor:
# what the tick alone costs here), one moves a plain label at every tick.
#
# Each run is made on a bare Xvfb and under openbox (a window manager that
# decorates the panel). With a second build folder both programs run side by
# side, each on its own display, so that they are compared under one load.
#
#   bench/idle/run.sh [BUILD_DIR] [SECONDS] [INTERVAL_MINUTES] [BASELINE_BUILD_DIR]
#
# IDLE_DESKTOPS chooses the desktops ("bare openbox" by default).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
builds=("$(cd "${1:-$source_dir/build}" && pwd)")
seconds=${2:-60}
interval=${3:-1}
[ -n "${4:-}" ] && builds+=("$(cd "$4" && pwd)")
desktops=(${IDLE_DESKTOPS:-bare openbox})
warmup=5

work=$(mktemp -d)
chmod 755 "$work"
pids=()
stop_all() {
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    pids=()
}
cleanup() {
    stop_all
    "$source_dir/scripts/dovecot.sh" stop "$work/dovecot" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# An empty mailbox, in clear (no certificate to trust).
DOVECOT_TLS=no "$source_dir/scripts/dovecot.sh" start "$work/dovecot" 0 >/dev/null
port=$(cut -d' ' -f1 "$work/dovecot/ports")

cmake --build "${builds[0]}" --target tick_floor >/dev/null
floor_program="${builds[0]}/bench/idle/tick_floor"
for n in "${!builds[@]}"; do
    cmake --build "${builds[n]}" --target pawmelo >/dev/null
    # A program folder of its own: the executable, its assets, an empty settings folder.
    mkdir -p "$work/p$n/program/★MailData"
    cp -r "${builds[n]}/pawmelo" "${builds[n]}/Sound" "${builds[n]}/画像データ" "$work/p$n/program/"
    settings="$work/p$n/program/★MailData"
    printf '[EXEINI]\r\nNUMBER=0\r\nNUMBER2=%s\r\nNUMBER4=0\r\n' "$interval" > "$settings/ini.ini"
    printf '[EXEINI]\r\nNAME=test\r\nNAME2=s3cret\r\n' > "$settings/iniIdPass.ini"
    mkdir "$work/p$n/cwd"
    printf 'SMTP=\r\nPOP3=127.0.0.1:%s\r\nMAIL=\r\nAPOP=0\r\n' "$port" > "$work/p$n/cwd/kestra.ini"
    printf '[CLEAR]\r\n127.0.0.1:%s=1\r\n' "$port" > "$settings/servers.ini" # clear text allowed: no question
done

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
references=99 # the index of the reference programs' display
declare -a program_pid xvfb_pid display hidden_before hidden_after shown_before shown_after xhidden xshown

start_display() { # n desktop
    local n=$1 desktop=$2
    # A display number of the server's own choosing: a fixed one may be
    # taken by another X server (a test's) on this machine.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display$n" >/dev/null 2>&1 &
    xvfb_pid[n]=$!
    pids+=($!)
    for _ in $(seq 200); do [ -s "$work/display$n" ] && break; sleep 0.05; done
    display[n]=":$(head -1 "$work/display$n")"
    # Until the server answers.
    for _ in $(seq 200); do
        DISPLAY=${display[n]} xdotool getdisplaygeometry >/dev/null 2>&1 && break
        sleep 0.05
    done
    if [ "$desktop" = openbox ]; then
        DISPLAY=${display[n]} openbox --sm-disable >/dev/null 2>&1 &
        pids+=($!)
        sleep 1
    fi
}

start_desktop() { # n desktop
    local n=$1
    start_display "$@"
    # The mascot comes up at the pointer.
    DISPLAY=${display[n]} xdotool mousemove 300 300
    (cd "$work/p$n/cwd" && DISPLAY=${display[n]} exec "$work/p$n/program/pawmelo" -platform xcb >/dev/null 2>&1) &
    program_pid[n]=$!
    pids+=($!)
}

show_panel() { # n
    local n=$1
    for _ in $(seq 50); do
        DISPLAY=${display[n]} xdotool mousemove 350 350 click --repeat 2 --delay 80 1
        sleep 0.3
        if DISPLAY=${display[n]} xdotool search --onlyvisible --name '^Pawmelo$' >/dev/null 2>&1; then
            # The pointer goes where it hovers over nothing of the program.
            DISPLAY=${display[n]} xdotool mousemove 1000 740
            return 0
        fi
    done
    echo "the panel of ${builds[n]} did not come up" >&2
    exit 1
}

# The CPU ticks of every program over $seconds, and those of its X server;
# with a fourth argument, those of the two reference programs too.
floor_pid= label_pid=
measure() { # before after x_server [references]
    local -n before=$1 after=$2 x_server=$3
    local floor_before= label_before=
    for n in "${!builds[@]}"; do
        before[n]=$(cpu_ticks "${program_pid[n]}")
        x_server[n]=$(cpu_ticks "${xvfb_pid[n]}")
    done
    if [ -n "${4:-}" ]; then
        floor_before=$(cpu_ticks "$floor_pid")
        label_before=$(cpu_ticks "$label_pid")
    fi
    sleep "$seconds"
    for n in "${!builds[@]}"; do
        after[n]=$(cpu_ticks "${program_pid[n]}")
        x_server[n]=$(( $(cpu_ticks "${xvfb_pid[n]}") - x_server[n] ))
    done
    if [ -n "${4:-}" ]; then
        floor_ticks=$(( $(cpu_ticks "$floor_pid") - floor_before ))
        label_ticks=$(( $(cpu_ticks "$label_pid") - label_before ))
    fi
    return 0
}

report() { # desktop
    echo "idle on $1, interval $interval min, $seconds s each after a $warmup s warm-up, whole process:"
    for n in "${!builds[@]}"; do
        awk -v b="${builds[n]}" -v t="$ticks" -v s="$seconds" \
            -v h="$(( hidden_after[n] - hidden_before[n] ))" -v p="$(( shown_after[n] - shown_before[n] ))" \
            -v xh="${xhidden[n]}" -v xp="${xshown[n]}" -v r="$(awk '/^VmRSS:/ { print $2 }' "/proc/${program_pid[n]}/status")" 'BEGIN {
            printf "  %s\n", b
            printf "    panel hidden:    %.3f %% of one core (X server %.3f %%)\n", h / t / s * 100, xh / t / s * 100
            printf "    panel on screen: %.3f %% of one core (X server %.3f %%)\n", p / t / s * 100, xp / t / s * 100
            printf "    resident memory: %.1f MB\n", r / 1024
        }'
    done
    awk -v t="$ticks" -v s="$seconds" -v f="$floor_ticks" -v l="$label_ticks" 'BEGIN {
        printf "  a window and a 20 ms tick that draws nothing: %.3f %% of one core\n", f / t / s * 100
        printf "  a window and a 20 ms tick that moves a plain label: %.3f %% of one core\n", l / t / s * 100
    }'
}

for desktop in "${desktops[@]}"; do
    logins_before=$(grep -c 'Login: user=<test>' "$work/dovecot/dovecot.log" || true)
    for n in "${!builds[@]}"; do start_desktop "$n" "$desktop"; done
    sleep "$warmup"
    measure hidden_before hidden_after xhidden
    for n in "${!builds[@]}"; do show_panel "$n"; done
    # The references on a display of their own, so that the programs'
    # X servers draw nothing of theirs.
    start_display "$references" "$desktop"
    DISPLAY=${display[references]} "$floor_program" -platform xcb >/dev/null 2>&1 &
    floor_pid=$!
    pids+=($!)
    DISPLAY=${display[references]} "$floor_program" -platform xcb label >/dev/null 2>&1 &
    label_pid=$!
    pids+=($!)
    sleep "$warmup"
    measure shown_before shown_after xshown references
    report "$desktop"
    logins=$(( $(grep -c 'Login: user=<test>' "$work/dovecot/dovecot.log" || true) - logins_before ))
    echo "  checks the server saw: $logins"
    stop_all
done
echo "machine load (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
