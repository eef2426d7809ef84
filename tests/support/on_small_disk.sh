#!/bin/sh
# on_small_disk.sh SIZE PROGRAM [ARGS...]: runs PROGRAM in a mount namespace
# of its own with an empty tmpfs of SIZE mounted on a fresh folder, named in
# PAWMELO_SMALL_DISK, so that it can fill a disk without touching the
# machine's. Uses `unshare -m` (root) or `unshare -rm` (user namespaces);
# without either it says why and exits 77, which CTest counts as skipped.
set -u
size=$1
shift
folder=$(mktemp -d) || exit 1
trap 'rmdir "$folder"' EXIT
for namespace in -m -rm; do
    if unshare "$namespace" sh -c 'mount -t tmpfs -o size=4k probe "$0"' "$folder" 2>/dev/null; then
        unshare "$namespace" sh -c 'mount -t tmpfs -o "size=$1" pawmelo-small-disk "$2" || exit 77
            export PAWMELO_SMALL_DISK="$2"; shift 2; exec "$@"' sh "$size" "$folder" "$@"
        exit $?
    fi
done
echo "skipped: no private tmpfs may be mounted here (neither unshare -m nor unshare -rm)" >&2
exit 77
