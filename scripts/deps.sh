#!/usr/bin/env bash
# Installs the Debian packages Pawmelo needs to build, run and test, when any
# is missing. Idempotent and quick when everything is there already.
set -euo pipefail

packages=(
    cmake g++ ninja-build pkg-config qt6-base-dev libfluidsynth-dev timgm6mb-soundfont
    fonts-ipafont-gothic libxcb1-dev qt6-translations-l10n
)
if [ "${1:-}" = "--demo" ]; then
    packages+=(dovecot-pop3d openssl iproute2)
fi
if [ "${1:-}" = "--test" ]; then
    packages+=(dovecot-pop3d openssl xvfb xauth xdotool imagemagick trayer python3-dbusmock dbus curl
               libx11-dev libxext-dev
               locales openbox wmctrl x11-utils x11-xserver-utils xclip xfce4-panel xfwm4
               clang-14 libclang-rt-14-dev clang-format lld)
fi
# Building the Debian package (scripts/package.sh), and checking it.
if [ "${1:-}" = "--package" ] || [ "${1:-}" = "--test" ]; then
    packages+=(dpkg-dev file)
fi
if [ "${1:-}" = "--test" ]; then
    packages+=(desktop-file-utils appstream)
fi

# The tests read numbers once more under a German locale (decimal comma).
ensure_test_locale() {
    [ "${1:-}" = "--test" ] || return 0
    locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
    "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
ensure_test_locale "${1:-}"
