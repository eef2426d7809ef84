#!/usr/bin/env bash
# Installs the Debian packages Pawmelo needs to build, run and test, when any
# is missing. Idempotent and quick when everything is there already.
set -euo pipefail

packages=(
    cmake g++ ninja-build pkg-config qt6-base-dev libfluidsynth-dev timgm6mb-soundfont
    fonts-ipafont-gothic
)
if [ "${1:-}" = "--test" ]; then
    packages+=(dovecot-pop3d openssl xvfb xauth xdotool imagemagick trayer python3-dbusmock dbus curl
               libx11-dev libxext-dev)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
