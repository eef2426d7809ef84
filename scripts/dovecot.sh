#!/usr/bin/env bash
# Starts and stops a private Dovecot POP3 server on 127.0.0.1 for the mail
# tests, the benchmarks and the demo. Everything it needs lives under one
# folder:
#
#   dovecot.sh start DIR [MESSAGES SIZE]   # fresh config, certificate, mailbox
#   dovecot.sh stop DIR
#
# Without MESSAGES the mailbox holds the three test messages; with it,
# MESSAGES messages of about SIZE bytes each. The account is test / s3cret.
# Two free ports are picked; DIR/ports then holds "PLAIN_PORT TLS_PORT",
# DIR/ssl/cert.pem is the certificate (and its own CA). With DOVECOT_TLS=no
# in the environment the server offers no TLS at all (no STLS, no TLS port),
# so that a benchmark can compare plain clients. With DOVECOT_MESSAGES=FOLDER
# the mailbox holds the message files of that folder instead.
set -euo pipefail

command=${1:-}
dir=${2:-}
[ -n "$command" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR [MESSAGES SIZE]" >&2; exit 2; }
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
pidfile="$dir/dovecot.pid"
conf="$dir/dovecot.conf"

# The login and mail processes run as other users: every folder above the
# mailbox and the run folder must let them through.
others_can_enter() {
    local path=$1
    while [ "$path" != / ]; do
        [ $(( $(stat -c %a "$path") % 2 )) -eq 1 ] || return 1
        path=$(dirname "$path")
    done
}

# Where the mailbox and the run folder go: DIR itself, or, when others cannot
# enter it (a build tree in a private home folder), a folder under /tmp
# that DIR/runtime names so that stop can remove it.
runtime_dir() {
    if [ -f "$dir/runtime" ]; then
        cat "$dir/runtime"
    else
        echo "$dir"
    fi
}

# Stops the Dovecot recorded in the pid file, if it is ours and still runs.
stop_server() {
    [ -f "$pidfile" ] || return 0
    local pid
    pid=$(cat "$pidfile")
    rm -f "$pidfile"
    [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
    # A stale pid may belong to another process by now: only ours is stopped.
    tr '\0' ' ' < "/proc/$pid/cmdline" | grep -qF -- "$conf" || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
}

port_free() {
    [ -z "$(ss -Hltn "sport = :$1" 2>/dev/null)" ]
}

accepts() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

write_message() { # file subject-header body-lines...
    local file=$1 subject=$2
    shift 2
    {
        printf 'From: Test Sender <sender@example.jp>\r\n'
        printf 'To: test@example.jp\r\n'
        printf 'Subject: %s\r\n' "$subject"
        printf 'Date: Tue, 1 Dec 2026 10:00:00 +0900\r\n'
        printf 'Message-ID: <%s@example.jp>\r\n' "$(basename "$file" | cut -d. -f1)"
        printf '\r\n'
        local line
        for line in "$@"; do printf '%s\r\n' "$line"; done
    } > "$file"
}

fill_mailbox() { # maildir count size
    local box=$1 count=$2 size=$3 i
    local line="The quick brown fox jumps over the lazy dog, again and again and again."
    local lines=$(( (size - 200) / (${#line} + 2) ))
    local body
    body=$(for ((i = 0; i < lines; i++)); do printf '%s\r\n' "$line"; done)
    for ((i = 1; i <= count; i++)); do
        printf 'From: bench@example.jp\r\nSubject: Message %d\r\nMessage-ID: <%d@bench>\r\n\r\n%s\r\n' \
            "$i" "$i" "$body" > "$box/new/$((1700000000 + i)).M${i}P1.pawmelo"
    done
}

start_server() {
    local messages=${1:-} size=${2:-10240}
    stop_server
    chmod 755 "$dir"
    local rt=$dir
    if ! others_can_enter "$dir"; then
        rt=$(mktemp -d /tmp/pawmelo-dovecot.XXXXXX)
        echo "$rt" > "$dir/runtime"
    fi
    rm -rf "$rt/run" "$rt/state" "$rt/mail"
    mkdir -p "$rt/run" "$rt/state" "$dir/ssl" "$rt/mail/test/new" "$rt/mail/test/cur" "$rt/mail/test/tmp"
    chmod 755 "$rt" "$rt/run" "$rt/state" "$rt/mail"

    if [ ! -s "$dir/ssl/cert.pem" ] || [ ! -s "$dir/ssl/key.pem" ]; then
        openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/ssl/key.pem" -out "$dir/ssl/cert.pem" \
            -days 3650 -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1 2>/dev/null
    fi
    printf 'test:{PLAIN}s3cret\n' > "$rt/passwd"

    local box="$rt/mail/test"
    if [ -n "${DOVECOT_MESSAGES:-}" ]; then
        local i=0 file
        for file in "$DOVECOT_MESSAGES"/*; do
            # An empty folder leaves the pattern itself: the mailbox stays empty.
            [ -f "$file" ] || continue
            i=$((i + 1))
            # Maildir wants CR LF line ends kept as they are in the files.
            cp "$file" "$box/new/$((1700000000 + i)).M${i}P1.pawmelo"
        done
    elif [ -n "$messages" ]; then
        fill_mailbox "$box" "$messages" "$size"
    else
        # Japanese subject in ISO-2022-JP ("テスト1"), a body line that starts
        # with a dot, and a UTF-8 subject ("件名3").
        write_message "$box/new/1700000001.M1P1.pawmelo" '=?ISO-2022-JP?B?GyRCJUYlOSVIGyhCMQ==?=' \
            'First message.' '.a line that starts with a dot' '..and one with two'
        write_message "$box/new/1700000002.M2P1.pawmelo" 'second' 'Second message.'
        write_message "$box/new/1700000003.M3P1.pawmelo" '=?UTF-8?B?5Lu25ZCNMw==?=' 'Third message.'
    fi
    chown -R 65534:65534 "$rt/mail"

    local attempt plain tls pid ssl=yes tls_listener
    [ "${DOVECOT_TLS:-yes}" = no ] && ssl=no
    for attempt in $(seq 20); do
        plain=$((20000 + RANDOM % 30000))
        tls=$((plain + 1))
        tls_listener=$tls
        [ "$ssl" = yes ] || tls_listener=0 # 0 turns the listener off
        port_free "$plain" && port_free "$tls" || continue
        sed -e "s|@DIR@|$dir|g" -e "s|@RT@|$rt|g" -e "s|@PLAIN@|$plain|g" -e "s|@SSL@|$ssl|g" -e "s|@TLS_LISTENER@|$tls_listener|g" \
            > "$conf" <<'CONF'
protocols = pop3
listen = 127.0.0.1
base_dir = @RT@/run
state_dir = @RT@/state
instance_name = pawmelo-test-@PLAIN@
log_path = @DIR@/dovecot.log
info_log_path = @DIR@/dovecot.log
ssl = @SSL@
ssl_cert = <@DIR@/ssl/cert.pem
ssl_key = <@DIR@/ssl/key.pem
disable_plaintext_auth = no
auth_mechanisms = plain apop
auth_failure_delay = 0
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u @RT@/passwd
}
userdb {
  driver = static
  args = uid=65534 gid=65534 home=@RT@/mail/%u
}
mail_location = maildir:@RT@/mail/%u
service pop3-login {
  inet_listener pop3 {
    port = @PLAIN@
  }
  inet_listener pop3s {
    port = @TLS_LISTENER@
    ssl = yes
  }
}
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
CONF
        setsid dovecot -F -c "$conf" >> "$dir/dovecot.log" 2>&1 < /dev/null &
        pid=$!
        echo "$pid" > "$pidfile"
        for _ in $(seq 100); do
            if accepts "$plain" && { [ "$ssl" = no ] || accepts "$tls"; }; then
                echo "$plain $tls" > "$dir/ports"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        stop_server # a port was taken meanwhile, or it did not come up: next try
    done
    echo "Dovecot did not start; see $dir/dovecot.log" >&2
    return 1
}

case "$command" in
start) start_server "${3:-}" "${4:-}" ;;
stop)
    stop_server
    rm -f "$dir/ports"
    if [ -f "$dir/runtime" ]; then
        case "$(cat "$dir/runtime")" in /tmp/pawmelo-dovecot.*) rm -rf "$(cat "$dir/runtime")" ;; esac
        rm -f "$dir/runtime"
    fi
    ;;
*) echo "usage: $0 start|stop DIR [MESSAGES SIZE]" >&2; exit 2 ;;
esac
