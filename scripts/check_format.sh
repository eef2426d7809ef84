#!/usr/bin/env bash
# Keeps the C++ sources as .clang-format lays them out: checks the files a
# change touched (those that differ from BASE, by default the commit before
# HEAD, so a merge checks everything it brings) and prints the lines
# clang-format would change. Without git history to compare with, it checks
# every source. Exits 1 when any file is not formatted.
#
#   scripts/check_format.sh [BASE]
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-HEAD~1}
if git rev-parse --verify -q "$base^{commit}" >/dev/null; then
    mapfile -t files < <(git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h')
else
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
[ ${#files[@]} -gt 0 ] || { echo "format: no C++ file changed"; exit 0; }
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "format: run clang-format -i on the files above" >&2
    exit 1
fi
echo "format: ${#files[@]} changed C++ files as .clang-format lays them out"
