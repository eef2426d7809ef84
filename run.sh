#!/usr/bin/env bash
# Installs what Pawmelo needs, builds it and starts it from the build tree.
#   ./run.sh        Pawmelo itself
#   ./run.sh demo   Pawmelo against a throwaway local mail server with sample mail
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = demo ]; then
    shift
    scripts/deps.sh --demo
    scripts/build.sh
    exec scripts/demo.sh build "$@"
fi
scripts/deps.sh
scripts/build.sh
exec build/pawmelo "$@"
