#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# make install / make uninstall: puts Velkari under PREFIX (default
# /usr/local), or takes it away again, using sudo when PREFIX is not ours.
set -eu
action=$1
build=$2
prefix=$3

SUDO=""
target=$prefix
while [ ! -e "$target" ]; do target=$(dirname "$target"); done
if [ "$(id -u)" -ne 0 ] && [ ! -w "$target" ]; then
    SUDO=sudo
fi

case "$action" in
install)
    $SUDO cmake --install "$build" --prefix "$prefix"
    # Refresh the desktop's caches where the tools exist; not having them is fine.
    if command -v update-desktop-database >/dev/null 2>&1; then
        $SUDO update-desktop-database -q "$prefix/share/applications" 2>/dev/null || true
    fi
    if command -v gtk-update-icon-cache >/dev/null 2>&1; then
        $SUDO gtk-update-icon-cache -q -t "$prefix/share/icons/hicolor" 2>/dev/null || true
    fi
    # The reminder service may wake a suspended phone for a reminder only with
    # CAP_WAKE_ALARM; without it reminders come when the phone next wakes.
    reminders="${DESTDIR:-}$prefix/bin/velkari-reminders"
    setcap=$(command -v setcap || echo /sbin/setcap)
    if [ ! -x "$setcap" ]; then
        echo "setcap is missing (package libcap2-bin): velkari-reminders cannot wake the device from suspend."
    elif [ "$(id -u)" -ne 0 ]; then
        echo "Not root: skipped 'setcap cap_wake_alarm+ep $reminders'; run it as root so reminders wake the device."
    elif ! "$setcap" cap_wake_alarm+ep "$reminders"; then
        echo "setcap failed on $reminders: reminders will not wake the device from suspend."
    fi
    echo "Velkari is installed under $prefix; start it from the menu or as velkari."
    ;;
uninstall)
    manifest="$build/install_manifest.txt"
    if [ ! -f "$manifest" ]; then
        echo "Nothing to uninstall: $manifest is missing (install first with make install)." >&2
        exit 1
    fi
    # Only the files the installation wrote; the user's data stays.
    $SUDO xargs -r rm -f < "$manifest"
    echo "Velkari is uninstalled from $prefix. Your schedules stay in ~/.local/share/Velkari."
    ;;
esac
