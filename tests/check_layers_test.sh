#!/usr/bin/env bash
# The layer check passes on the tree and names each kind of offence, by file
# and line, in a copy of src/ that has one of each.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
check="$root/scripts/check_layers.sh"
"$check" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/src" "$work/src"
echo '#include "panel/main_panel.h"' >>"$work/src/forms/wait.cpp"      # a window below the windows
echo '#include <mascot/frame_regions.h>' >>"$work/src/mail/nmail.cpp"  # the same with <>
echo '#include "ui_set_form.h"' >>"$work/src/panel/check_mail.cpp"     # another window's form
echo '#include "wait.h"' >>"$work/src/forms/program.cpp"               # not named from src/
sed -i 's/pawmelo_base Qt6::Network/pawmelo_base pawmelo_forms Qt6::Network/' "$work/src/mail/CMakeLists.txt"
mkdir "$work/src/unplaced"
if out=$("$check" "$work/src"); then
    echo "the check passed a tree with offences"
    exit 1
fi
next_line() { echo $(($(wc -l <"$root/$1") + 1)); }
status=0
for expected in "src/forms/wait.cpp:$(next_line src/forms/wait.cpp):" "src/mail/nmail.cpp:$(next_line src/mail/nmail.cpp):" \
    "src/panel/check_mail.cpp:" "src/forms/program.cpp:" "src/mail/CMakeLists.txt:" "src/unplaced/"; do
    grep -qF "$expected" <<<"$out" || { echo "not named: $expected"; status=1; }
done
[ "$(wc -l <<<"$out")" -eq 6 ] || { echo "expected six offences:"; echo "$out"; status=1; }
exit "$status"
