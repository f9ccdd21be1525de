#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# make test-debian13: make test (or make $TARGET) on a fresh clone of HEAD
# in a Debian 13 (trixie) root, as a new contributor there would run it.
# The root is made once under build/roots and kept; its packages come from
# install-deps.sh inside it, like on any new machine. Its own ccache keeps
# a second run short.
set -eu
cd "$(dirname "$0")/.."
root=build/roots/trixie-amd64
scripts/debian-root.sh create trixie "$root" make git ccache

rm -rf "$root/src"
git clone -q --no-local --no-hardlinks . "$root/src"
git -C "$root/src" checkout -q "$(git rev-parse HEAD)"
target=${TARGET:-test}
echo "== make $target in Debian 13 ($(cat "$root/etc/debian_version")), $(git rev-parse --short HEAD)"
scripts/debian-root.sh run "$root" env \
    CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_DIR=/var/cache/ccache CCACHE_MAXSIZE=5G \
    CCACHE_BASEDIR=/src CCACHE_NOHASHDIR=1 ${CMAKE_FLAGS:+CMAKE_FLAGS="$CMAKE_FLAGS"} \
    TARGET="$target" sh -c 'cd /src && make "$TARGET" ${CMAKE_FLAGS:+CMAKE_FLAGS="$CMAKE_FLAGS"}'
