#!/usr/bin/env bash
# Keeps the folders of src/ in their floors. The table below is the one
# statement of which folder may include which; for every folder it checks
#   - each include of a project header: the header's folder is in the table's
#     row, and the header is named from src/ ("mail/nmail.h");
#   - each generated form header (ui_set_form.h): only its own window's file
#     includes it, so another window reaches that window's controls through
#     the window's header and never through its designer form;
#   - the folder's CMake library links no library of a folder outside its row.
# The windows floor (settings/, panel/, mascot/) is one floor: its windows
# include one another's headers to reach one another's controls and handlers.
# Prints every offending line as file:line: text and exits 1; exits 0 when
# there is none. Checks the tree it lies in, or the src/ folder given.
#
#   scripts/check_layers.sh [SRC]
set -euo pipefail
src="$(cd "${1:-$(dirname "$0")/../src}" && pwd)"

# Bottom to top: each folder and the folders it may include (itself too).
floors=(
    "base:      base"
    "mail:      base mail"
    "platform:  base platform"
    "forms:     base mail platform forms"
    "settings:  base mail platform forms settings panel mascot"
    "panel:     base mail platform forms settings panel mascot"
    "mascot:    base mail platform forms settings panel mascot"
    "app:       base mail platform forms settings panel mascot app"
)

declare -A allowed=()
for row in "${floors[@]}"; do
    allowed[${row%%:*}]=" $(echo ${row#*:}) "
done

status=0
offend() { # file:line:text reason
    echo "$1  <- $2"
    status=1
}

for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [ -z "${allowed[$folder]+set}" ]; then
        offend "src/$folder/" "a folder the table of floors in scripts/check_layers.sh does not place"
        continue
    fi
    while IFS=: read -r file line text; do
        [ -n "$file" ] || continue
        where="src/$folder/$(basename "$file"):$line:$text"
        header=$(sed -E 's/^[^"<]*["<]([^">]*)[">].*/\1/' <<<"$text")
        # <...> names a system or Qt header, unless it names a folder of src/.
        if [[ $text =~ \#[[:space:]]*include[[:space:]]*\< && -z "${allowed[${header%%/*}]+set}" ]]; then
            continue
        elif [[ $header =~ ^ui_([a-z0-9_]+)\.h$ ]]; then
            own=$(basename "$file")
            [ "${own%.*}" = "${BASH_REMATCH[1]}" ] ||
                offend "$where" "another window's designer form: reach its controls through its header"
        elif [[ $header =~ ^([a-z]+)/[A-Za-z0-9_]+\.h$ ]]; then
            [[ ${allowed[$folder]} == *" ${BASH_REMATCH[1]} "* ]] ||
                offend "$where" "$folder/ may include only:${allowed[$folder]% }"
        else
            offend "$where" "a project header is named from src/, as folder/file.h"
        fi
    done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' "$dir"*.h "$dir"*.cpp 2>/dev/null || true)

    cmake="$dir/CMakeLists.txt"
    [ -f "$cmake" ] || continue
    while IFS=: read -r line text; do
        for library in $(grep -oE '\bpawmelo_[a-z]+\b' <<<"$text"); do
            linked=${library#pawmelo_}
            [ "$linked" = "$folder" ] && continue
            [[ ${allowed[$folder]} == *" $linked "* ]] ||
                offend "src/$folder/CMakeLists.txt:$line:$text" "$folder/ may link only:${allowed[$folder]% }"
        done
    done < <(grep -nE 'target_link_libraries|^[[:space:]]+pawmelo_' "$cmake" || true)
done

[ "$status" -eq 0 ] && echo "layers: every folder of src/ includes and links only the floors it stands on"
exit "$status"
