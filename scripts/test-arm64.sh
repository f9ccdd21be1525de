#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# make test-arm64: cross-builds a fresh clone of HEAD for arm64 with Debian
# 13's multiarch toolchain and Qt's arm64 libraries, in a root under
# build/roots so this machine gets none of them, and runs tests under
# qemu-user. The whole suite under qemu takes longer than the CI has, so
# this runs the tests of the rooms without widgets (core, schedule,
# reminders, contacts) and the replay of both fuzz corpora.
set -eu
cd "$(dirname "$0")/.."
root=build/roots/trixie-arm64-cross
ARCHES=amd64,arm64 scripts/debian-root.sh create trixie "$root" \
    make git ccache crossbuild-essential-arm64 cmake ninja-build pkgconf qemu-user dbus \
    tzdata python3 qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-base-dev:arm64 \
    qt6-svg-dev:arm64 qt6-svg-plugins:arm64 libebook1.2-dev:arm64 libbenchmark-dev:arm64 \
    libplist-dev:arm64

rm -rf "$root/src"
git clone -q --no-local --no-hardlinks . "$root/src"
git -C "$root/src" checkout -q "$(git rev-parse HEAD)"

TESTS="tst_propertylist tst_log tst_wallclocktimer tst_schedulerecord tst_upcomingcount
    tst_schedulestore tst_reminders tst_addressbook tst_fuzz_plist tst_fuzz_vcard"
echo "== arm64 build and tests under qemu, $(git rev-parse --short HEAD)"
scripts/debian-root.sh run "$root" env \
    CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_DIR=/var/cache/ccache CCACHE_MAXSIZE=5G \
    CCACHE_BASEDIR=/src CCACHE_NOHASHDIR=1 TESTS="$(echo $TESTS)" \
    PKG_CONFIG_LIBDIR=/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig \
    sh -euc '
        cd /src
        cmake -S . -B build/arm64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
            -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_CROSSCOMPILING_EMULATOR=qemu-aarch64 \
            -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
        # The programs, the store bench and the tests that run here.
        cmake --build build/arm64 --target velkari velkari-reminders velkari_bench_store $TESTS
        aarch64-linux-gnu-readelf -h build/arm64/app/velkari | grep Machine
        ctest --test-dir build/arm64 --output-on-failure --timeout 600 \
            -R "^($(echo $TESTS | tr " " "|"))\$"
    '
