#!/usr/bin/env bash
# Keeps the lower layers of src/ below the rest: the floor (base/) includes
# nothing of the project but itself, and the mail library (mail/) and the
# platform layer (platform/) include only the floor and their own files.
# Prints every include that breaks this and exits 1; exits 0 when none does.
set -euo pipefail
src="$(cd "$(dirname "$0")/../src" && pwd)"
status=0
check() { # folder allowed-folders...
    local folder=$1
    shift
    local allowed
    allowed=$(printf '%s/|' "$@")
    local hits
    hits=$(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src/$folder"/*.h "$src/$folder"/*.cpp 2>/dev/null |
        grep -vE "#[[:space:]]*include[[:space:]]*\"(${allowed%|})" || true)
    if [ -n "$hits" ]; then
        echo "$folder/ may include only: $*"
        echo "$hits" | sed "s|^$src/|    |"
        status=1
    fi
}
check base base
check mail base mail
check platform base platform
[ "$status" -eq 0 ] && echo "layers: base/, mail/ and platform/ include nothing above them"
exit "$status"
