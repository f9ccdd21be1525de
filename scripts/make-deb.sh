#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# make deb: builds the Debian package from the working tree in build/deb,
# runs lintian on it and lists what it installs where.
set -eu
cd "$(dirname "$0")/.."
out=build/deb
version=$(dpkg-parsechangelog -S Version)
cmake_version=$(sed -n 's/^ *VERSION \([0-9.]*\)$/\1/p' CMakeLists.txt | head -n 1)
if [ "$version" != "$cmake_version" ]; then
    echo "debian/changelog is at $version but CMakeLists.txt at $cmake_version." >&2
    exit 1
fi

# dpkg-buildpackage writes beside the source folder, so it builds a copy.
rm -rf "$out"
src="$out/velkari-$version"
mkdir -p "$src"
tar --exclude=./build --exclude=./.git --exclude='./build-*' -cf - . | tar -xf - -C "$src"
(cd "$src" && dpkg-buildpackage -us -uc -b)

deb="$out/velkari_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
echo "== lintian"
# Errors and warnings fail; the informational tags are shown too.
lintian --fail-on error,warning --info "$deb"
echo "== what $deb installs"
root="$out/root"
dpkg-deb -x "$deb" "$root"
(cd "$root" && find . ! -type d | sed 's|^\.||' | sort)
echo "Built $deb"
