#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Velkari needs to build, test and run, and only
# those that are missing, so a second run costs nothing and needs no root.
# "install-deps.sh fuzz" adds what the fuzz targets need on top, "deb" what
# make deb needs, "format" the formatting check, "roots" what makes the
# Debian roots of make test-debian13, test-arm64 and deb-clean.
set -eu

PACKAGES="
    g++
    cmake
    ninja-build
    qt6-base-dev
    qt6-base-dev-tools
    qt6-svg-dev
    qt6-wayland
    qt6-l10n-tools
    qt6-translations-l10n
    libbenchmark-dev
    libplist-dev
    pkgconf
    python3
    dbus
    xvfb
    xauth
    tzdata
    fonts-dejavu-core
    libcap2-bin
    appstream
    desktop-file-utils
    systemd
    man-db
    libebook1.2-dev
    evolution-data-server
    modemmanager
    phoc
    weston
    libwayland-dev
    libwayland-bin
    wayland-protocols
"

# clang brings libFuzzer, libclang-rt-dev the sanitizers' runtimes of the
# release's own clang (14 on Debian 12, 19 on 13); llvm the symbolizer
# that turns their reports into file and line.
FUZZ_PACKAGES="
    clang
    libclang-rt-dev
    llvm
"
# Building the Debian package and checking it.
DEB_PACKAGES="
    debhelper
    dpkg-dev
    lintian
"
# Debian 13 ships Qt's SVG image and icon plugins apart from the library.
if apt-cache show qt6-svg-plugins >/dev/null 2>&1; then
    PACKAGES="$PACKAGES qt6-svg-plugins"
fi
case "${1:-}" in
fuzz) PACKAGES="$PACKAGES $FUZZ_PACKAGES" ;;
deb) PACKAGES="$PACKAGES $DEB_PACKAGES" ;;
format) PACKAGES="clang-format git" ;;
roots) PACKAGES="mmdebstrap git dpkg-dev" ;;
esac

missing=""
for pkg in $PACKAGES; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    if [ "$status" != "installed" ]; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

if ! command -v apt-get >/dev/null 2>&1; then
    echo "These packages are missing and apt-get is not available to install them:$missing" >&2
    exit 1
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO="sudo"
    else
        echo "These packages are missing; install them as root:$missing" >&2
        exit 1
    fi
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
