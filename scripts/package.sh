#!/usr/bin/env bash
# Builds the Debian package build/pawmelo_<version>_<arch>.deb from the tree:
# the program into ./build, then CPack's DEB generator, which takes the
# library dependencies from what the executable links (dpkg-shlibdeps).
# Install it with: apt-get install ./build/pawmelo_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --package
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j "$(nproc)" --target pawmelo
(cd build && cpack -G DEB)
