#!/usr/bin/env bash
# package_test.sh BUILD_DIR
#
# Builds the Debian package from the (already built) build folder and looks
# inside it; installs it with dpkg into a fresh root; starts the installed
# launcher as a new user on a private X server (the mascot shows, the user's
# program folder is made); upgrades the package and starts it again (the
# user's copy of the executable follows, their settings stay); turns start at
# login on and off; removes the package and finds nothing left of it.
# Paths hold a space and a dollar sign, as a user's home folder may.
set -euo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d)
root="$work/root \$dir"
home="$work/home dir"
app_id=io.github.pawmelo.Pawmelo
xvfb_pid='' program_pid=''
trap '[ -n "$program_pid" ] && kill $program_pid; [ -n "$xvfb_pid" ] && kill $xvfb_pid; wait; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Runs a command with its output kept; shows the output when it fails.
quiet() {
    local what=$1
    shift
    "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "$what"; }
}

# --- The package: its fields and its metadata (the files are looked for
# where they are used, below).
quiet "cpack could not build the package" sh -c 'cd "$1" && cpack -G DEB -B "$2"' - "$build" "$work/out"
debs=("$work"/out/pawmelo_*_*.deb)
deb=${debs[0]}
depends=$(dpkg-deb --field "$deb" Depends)
for dep in libqt6widgets6 libfluidsynth3 timgm6mb-soundfont fonts-ipafont-gothic qt6-translations-l10n; do
    [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
done
contents=$(dpkg-deb --contents "$deb")
! grep -v ' root/root ' <<<"$contents" || fail "files not owned by root in the package"
dpkg-deb -x "$deb" "$work/files"
quiet "the desktop entry is not valid" desktop-file-validate "$work/files/usr/share/applications/$app_id.desktop"
quiet "the metainfo is not valid" appstreamcli validate --no-net "$work/files/usr/share/metainfo/$app_id.metainfo.xml"
for size in 128 32; do
    file "$work/files/usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" | grep -q ", $size x $size," ||
        fail "the icon under ${size}x$size is not $size x $size pixels"
done
# Every dependency can be had on this system (apt only simulates).
if [ "$(id -u)" -eq 0 ]; then
    quiet "apt-get cannot install the dependencies" apt-get -s -o Debug::NoLocking=1 install "$deb"
fi

# --- Install into a fresh root.
dpkg_root() {
    local force=--force-depends
    [ "$(id -u)" -eq 0 ] || force+=,not-root
    quiet "dpkg $*" dpkg --root="$root" --log=/dev/null "$force" "$@"
}
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root -i "$deb"
launcher="$root/usr/bin/pawmelo"
installed="$root/usr/lib/pawmelo/pawmelo"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break || sleep 0.05; done
DISPLAY=":$(head -1 "$work/display")"
export DISPLAY

# Starts the installed launcher as the user (an `env` command line before it
# sets the data folder) and waits for the mascot: a shown 100 x 100 window of
# the program named Pawmelo.
start_pawmelo() {
    mkdir -p "$home"
    (cd "$home" && exec env -u XDG_CONFIG_HOME HOME="$home" "$@" "$launcher" >"$work/program.log" 2>&1) &
    program_pid=$!
    for _ in $(seq 100); do
        for window in $(xdotool search --onlyvisible --pid "$program_pid" --name '^Pawmelo$' 2>/dev/null); do
            xdotool getwindowgeometry "$window" | grep -q 'Geometry: 100x100' && return 0
        done
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.2
    done
    cat "$work/program.log" >&2
    fail "no mascot window came up"
}
stop_pawmelo() {
    kill "$program_pid"
    wait "$program_pid" || true
    program_pid=
}

# --- First start: the user's program folder.
start_pawmelo env -u XDG_DATA_HOME
folder="$home/.local/share/pawmelo"
[ "$(stat -c %a "$folder/★MailData")" = 700 ] || fail "★MailData is not made 0700"
cmp -s "$installed" "$folder/pawmelo" || fail "the user's executable is not the installed one"
[ ! -L "$folder/pawmelo" ] || fail "the user's executable is a link (its folder would be /usr/lib/pawmelo)"
cmp -s "$folder/Sound/Kouka.mid" "$root/usr/share/pawmelo/Sound/Kouka.mid" || fail "no tune in the user's folder"
[ -f "$folder/画像データ/Green.gif" ] || fail "no lamps in the user's folder"
[ "$(readlink "/proc/$program_pid/cwd")" = "$folder" ] || fail "the program does not run in the user's folder"
[ ! -e "$home/.config/autostart" ] || fail "the first start set up start at login by itself"
stop_pawmelo

# --- An upgrade brings a different executable; the settings stay. A
# relative XDG_DATA_HOME is ignored, so the same folder is used.
printf '[EXEINI]\r\nNUMBER2=5\r\n' >"$folder/★MailData/ini.ini"
printf '[EXEINI]\r\nNAME=user\r\nNAME2=secret\r\n' >"$folder/★MailData/iniIdPass.ini"
printf 'SMTP=\r\nPOP3=127.0.0.1:1\r\nMAIL=\r\nAPOP=0\r\n' >"$folder/kestra.ini"
cp -a "$folder/★MailData" "$folder/kestra.ini" "$work/"
dpkg-deb -R "$deb" "$work/next"
printf '\n' >>"$work/next/usr/lib/pawmelo/pawmelo"
sed -i 's/^Version: .*/Version: 99/' "$work/next/DEBIAN/control"
rm "$work/next/DEBIAN/md5sums"
quiet "dpkg-deb -b" dpkg-deb -b "$work/next" "$work/next.deb"
dpkg_root -i "$work/next.deb"
start_pawmelo env XDG_DATA_HOME=relative/data
cmp -s "$installed" "$folder/pawmelo" || fail "the upgrade did not reach the user's executable"
diff -r "$work/★MailData" "$folder/★MailData" || fail "the upgrade changed the settings"
cmp -s "$work/kestra.ini" "$folder/kestra.ini" || fail "the upgrade changed kestra.ini"
stop_pawmelo

# --- Start at login, on request only.
entry="$home/.config/autostart/$app_id.desktop"
HOME="$home" "$launcher" --autostart on >/dev/null
quiet "the autostart entry is missing or not valid" desktop-file-validate "$entry"
grep -qF "Exec=\"$work/root \\\\\$dir/usr/bin/pawmelo\"" "$entry" || fail "the autostart entry does not run the launcher"
HOME="$home" "$launcher" --autostart off >/dev/null
[ ! -e "$entry" ] || fail "--autostart off left the entry"

# --- Removal leaves nothing outside the users' folders.
dpkg_root --purge pawmelo
left=$(find "$root" -mindepth 1 -not -path "$root/var" -not -path "$root/var/*")
[ -z "$left" ] || fail "left after removal: $left"
echo "package test passed: $(basename "$deb")"
