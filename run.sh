#!/usr/bin/env bash
# Installs what Pawmelo needs, builds it and starts it from the build tree.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
exec build/pawmelo "$@"
