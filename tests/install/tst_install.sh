#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary root, once for the system prefix and
# once for a prefix in the home, compares what lands where with the expected
# layout, and checks the installed files with the desktop's own validators.
#   tst_install.sh <build folder> <folder of the expected layouts>
set -eu
export LC_ALL=C
build=$1
expected=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CACHE_HOME="$tmp/cache" XDG_DATA_HOME="$tmp/data"
mkdir -p "$HOME"
unset VELKARI_AUTOSTART_DIR DESTDIR
failed=0

fail() {
    echo "FAIL: $*"
    failed=1
}

# The value of key in a desktop entry or a unit.
value() {
    sed -n "s/^$2=//p" "$1" | head -n 1
}

# name | prefix | DESTDIR | the menu's Exec
for row in "system|/usr|$tmp/root|velkari" \
           "home|$HOME/.local||$HOME/.local/bin/velkari"; do
    name=$(echo "$row" | cut -d'|' -f1)
    prefix=$(echo "$row" | cut -d'|' -f2)
    destdir=$(echo "$row" | cut -d'|' -f3)
    exec_line=$(echo "$row" | cut -d'|' -f4)
    top=${destdir:-$HOME}
    echo "== $name: prefix $prefix"
    # A component of its own keeps install_manifest.txt, which make
    # uninstall reads, as make install left it.
    DESTDIR=$destdir cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null

    # Listed from the root, or from ~ for the home.
    mark=$([ -n "$destdir" ] || echo "~")
    (cd "$top" && find . \( -type f -o -type l \) | sed "s|^\\.|$mark|" | sort) >"$tmp/$name.layout"
    cat "$tmp/$name.layout"
    if ! diff -u "$expected/$name.layout" "$tmp/$name.layout"; then
        fail "$name: the layout differs from $expected/$name.layout"
    fi

    root=$destdir
    share="$root$prefix/share"
    app="$share/applications/org.velkari.Velkari.desktop"
    for entry in "$app" $(find "$top" -path '*autostart/*.desktop'); do
        desktop-file-validate "$entry" || fail "$name: desktop-file-validate $entry"
    done
    [ "$(value "$app" Exec)" = "$exec_line" ] || fail "$name: Exec=$(value "$app" Exec)"
    metainfo="$share/metainfo/org.velkari.Velkari.metainfo.xml"
    if appstreamcli --version | grep -q 'version: 0\.'; then
        # AppStream 0.16 (Debian 12) knows the developer only as
        # <developer_name>, which 1.0 rejects: <developer> is the one tag it
        # may not know, everything else is checked as strictly.
        appstreamcli validate --pedantic --no-net --no-color "$metainfo" >"$tmp/appstream" || true
        grep '^[EWI]:' "$tmp/appstream" | grep -v 'unknown-tag developer$' &&
            fail "$name: appstreamcli validate"
        appstreamcli validate --strict --no-net --no-color --override=unknown-tag=pedantic \
            "$metainfo" || fail "$name: appstreamcli validate"
    else
        appstreamcli validate --strict --no-net --no-color "$metainfo" ||
            fail "$name: appstreamcli validate"
    fi

    # What the files name must be there: the programs the session starts,
    # the icon the entries show.
    for file in "$root$prefix/lib/systemd/user/velkari-reminders.service|ExecStart" \
                "$share/dbus-1/services/org.velkari.Velkari.Reminders.service|Exec"; do
        program=$(value "${file%|*}" "${file#*|}")
        [ -x "$root$program" ] || fail "$name: ${file%|*} starts $program, which is not installed"
    done
    # systemd's own reading of the unit, where the program it starts is
    # really there: the home's install. What it only warns about (a key it
    # ignores) fails too.
    if [ -z "$destdir" ]; then
        mkdir -p "$tmp/run" && chmod 700 "$tmp/run"
        if ! XDG_RUNTIME_DIR="$tmp/run" MANPATH="$share/man" systemd-analyze --user verify \
            "$prefix/lib/systemd/user/velkari-reminders.service" >"$tmp/verify" 2>&1 ||
            [ -s "$tmp/verify" ]; then
            cat "$tmp/verify"
            fail "$name: systemd-analyze verify"
        fi
    fi
    icon=$(value "$app" Icon)
    [ -f "$share/icons/hicolor/48x48/apps/$icon.png" ] &&
        [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] ||
        fail "$name: no icon named $icon"
done
exit $failed
