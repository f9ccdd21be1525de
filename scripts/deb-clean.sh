#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# make deb-clean: builds the Debian package from a clone of HEAD in clean
# Debian 12 and 13 roots, for amd64 and cross for arm64, each time in a
# fresh copy of a root that holds build-essential only, with nothing but
# the package's own Build-Depends installed on top; then lintian.
# The tests run in make test and make test-debian13, so the builds here skip
# them (DEB_BUILD_OPTIONS=nocheck) unless DEB_BUILD_OPTIONS says otherwise;
# the arm64 builds always do.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
options=${DEB_BUILD_OPTIONS-nocheck}
version=$(dpkg-parsechangelog -S Version)
out=build/deb-clean
rm -rf "$out"
mkdir -p "$out"
git clone -q --no-local --no-hardlinks . "$out/velkari-$version"
git -C "$out/velkari-$version" checkout -q "$(git rev-parse HEAD)"
rm -rf "$out/velkari-$version/.git"

for suite in ${SUITES:-bookworm trixie}; do
    base=build/roots/$suite-deb
    ARCHES=amd64,arm64 scripts/debian-root.sh create "$suite" "$base" \
        build-essential crossbuild-essential-arm64 ccache
    for arch in ${DEB_ARCHES:-amd64 arm64}; do
        echo "== $suite $arch"
        # Debian 12's libebook1.2-dev:arm64 cannot be installed beside the
        # amd64 tools (its gobject-introspection wants python3:arm64).
        if [ "$suite" = bookworm ] && [ "$arch" != amd64 ]; then
            echo "skipped: libebook1.2-dev:$arch does not cross-install on Debian 12"
            continue
        fi
        work=build/roots/$suite-deb-work
        rm -rf "$work"
        cp -a "$base" "$work"
        cp -a "$out/velkari-$version" "$work/velkari-$version"
        if [ "$arch" = amd64 ]; then
            build="dpkg-buildpackage -us -uc -b"
            deps="apt-get build-dep -y -qq ./velkari-$version"
            opts=$options
        else
            build="dpkg-buildpackage -us -uc -b -a$arch -Pcross,nocheck"
            deps="apt-get build-dep -y -qq -a$arch -Pcross,nocheck ./velkari-$version"
            opts="nocheck${options:+ $options}"
        fi
        BIND="$top/build/roots/ccache-$suite:/var/cache/ccache" \
            scripts/debian-root.sh run "$work" env DEBIAN_FRONTEND=noninteractive \
            DEB_BUILD_OPTIONS="$opts" CMAKE_CXX_COMPILER_LAUNCHER=ccache \
            CCACHE_DIR=/var/cache/ccache CCACHE_BASEDIR=/velkari-$version CCACHE_NOHASHDIR=1 \
            sh -euc "
                $deps >/dev/null
                cd velkari-$version && $build >/build.log 2>&1 || { tail -n 60 /build.log; exit 1; }
                apt-get install -y -qq --no-install-recommends lintian >/dev/null
                lintian --fail-on error,warning --info ../velkari_${version}_$arch.deb
            "
        cp "$work/velkari_${version}_$arch.deb" "$out/velkari_${version}_${suite}_$arch.deb"
        # What was downloaded stays for the next copy.
        cp -n "$work"/var/cache/apt/archives/*.deb "$base/var/cache/apt/archives/" 2>/dev/null || true
        rm -rf "$work"
    done
done
ls -l "$out"/*.deb
