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

# Shell commands that install an empty gobject-introspection:$1 of the
# archive's version.
gir_standin() {
    printf '%s' "v=\$(apt-cache show gobject-introspection:$1 | sed -n 's/^Version: //p' | head -n 1)
        mkdir -p /gir-standin/DEBIAN
        printf 'Package: gobject-introspection\\nVersion: %s\\nArchitecture: $1\\nMaintainer: none <none@localhost>\\nDescription: stand-in for a cross build\\n' \"\$v\" >/gir-standin/DEBIAN/control
        dpkg-deb -b /gir-standin /gir-standin.deb >/dev/null && dpkg -i /gir-standin.deb >/dev/null"
}

for suite in ${SUITES:-bookworm trixie}; do
    base=build/roots/$suite-deb
    ARCHES=amd64,arm64 scripts/debian-root.sh create "$suite" "$base" \
        build-essential crossbuild-essential-arm64 ccache
    for arch in ${DEB_ARCHES:-amd64 arm64}; do
        echo "== $suite $arch"
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
            if [ "$suite" = bookworm ]; then
                # Debian 12's libsoup-3.0-dev:$arch (under libebook1.2-dev) pulls
                # sysprof, GTK 4 and at last gobject-introspection:$arch, a
                # tool package that wants python3:$arch and so never installs
                # beside the build machine's python3. Debian 13 split sysprof's
                # capture library out, so there it installs as it is. Nothing
                # here runs g-ir-scanner: an empty package of that name and
                # version stands in for it, in this throwaway root only.
                deps="$(gir_standin "$arch") && $deps"
            fi
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
