#!/usr/bin/env bash
# A throwaway demonstration: a private Dovecot on 127.0.0.1 (plain POP3, its
# own folder under build/demo) holding three Japanese sample messages, and
# Pawmelo started from a program folder and current directory that point at
# it, with the account already saved. Double-click the mascot, press 受信,
# and the notice board and the tune come. Ending Pawmelo (right button on
# the mascot) stops the server again.
#
#   scripts/demo.sh [BUILD_DIR]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
[ $# -gt 0 ] && shift
demo="$build_dir/demo"
program="$demo/program"
cwd="$demo/cwd"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo) # Dovecot's mail processes switch users

stop() { "${sudo[@]}" "$source_dir/scripts/dovecot.sh" stop "$demo/dovecot" >/dev/null 2>&1 || true; }
trap stop EXIT

rm -rf "$program" "$cwd"
mkdir -p "$program/★MailData" "$cwd"
cp "$build_dir/pawmelo" "$program/"
cp -r "$build_dir/Sound" "$build_dir/画像データ" "$program/"
printf '[EXEINI]\r\nNAME=test\r\nNAME2=s3cret\r\nNAME3=1\r\n' > "$program/★MailData/iniIdPass.ini"
chmod 600 "$program/★MailData/iniIdPass.ini"

"${sudo[@]}" env DOVECOT_TLS=no DOVECOT_MESSAGES="$source_dir/scripts/demo-mail" \
    "$source_dir/scripts/dovecot.sh" start "$demo/dovecot" >/dev/null
port=$(cut -d' ' -f1 "$demo/dovecot/ports")
printf 'SMTP=\r\nPOP3=127.0.0.1:%s\r\nMAIL=test@example.jp\r\nAPOP=0\r\n' "$port" > "$cwd/kestra.ini"
# The demo server speaks in clear on this machine only: allowed beforehand,
# so that the first check does not ask about sending the password unencrypted.
printf '[CLEAR]\r\n127.0.0.1:%s=1\r\n' "$port" > "$program/★MailData/servers.ini"

echo "Demo mail server on 127.0.0.1:$port (account test). Double-click the mascot, then press 受信."
echo "The right mouse button on the mascot ends the demo."
cd "$cwd"
"$program/pawmelo" "$@"
