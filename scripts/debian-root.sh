#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# debian-root.sh create SUITE DIR [PACKAGES...]
#   makes a minimal Debian SUITE root in DIR with mmdebstrap, unless DIR is
#   there already (the roots are cached under build/roots). ARCHES (amd64
#   unless set) names its architectures: the first is the root's own, the
#   others foreign ones for cross-building (packages "name:arm64").
# debian-root.sh run DIR COMMAND...
#   runs COMMAND as root inside DIR, in its own mount and process namespaces:
#   the mounts go away and every process started inside ends with it, also
#   when it fails. BIND="/outside:/inside ..." mounts folders of this machine
#   in it (the compiler cache).
set -eu

case "$1" in
create)
    suite=$2 dir=$3
    shift 3
    [ -e "$dir/.velkari-root" ] && exit 0
    rm -rf "$dir" "$dir.new"
    mkdir -p "$(dirname "$dir")"
    # The mirror this machine's apt uses, so roots come from the same place.
    mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Identifier: Packages' 2>/dev/null |
        grep -m1 '/debian/$' || echo http://deb.debian.org/debian/)
    include=$(echo "$@" | tr ' ' ,)
    mmdebstrap --variant=apt --architectures="${ARCHES:-amd64}" \
        --include="ca-certificates,${include}" \
        --components=main --skip=cleanup/apt/lists "$suite" "$dir.new" \
        "deb $mirror $suite main" "deb $mirror $suite-updates main"
    touch "$dir.new/.velkari-root"
    mv "$dir.new" "$dir"
    ;;
run)
    dir=$(realpath "$2")
    shift 2
    exec unshare --mount --pid --fork --propagation private sh -c '
        dir=$1; shift
        for pair in ${BIND:-}; do
            mkdir -p "${pair%%:*}" "$dir${pair#*:}"
            mount --bind "${pair%%:*}" "$dir${pair#*:}"
        done
        mount -t proc proc "$dir/proc"
        mount --rbind /sys "$dir/sys"
        mount --rbind /dev "$dir/dev"
        mount -t tmpfs tmpfs "$dir/dev/shm"
        mount -t tmpfs tmpfs "$dir/tmp"
        mount -t tmpfs tmpfs "$dir/run"
        cp /etc/resolv.conf "$dir/etc/resolv.conf"
        exec chroot "$dir" env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
            PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
    ' sh "$dir" "$@"
    ;;
*)
    echo "usage: $0 create SUITE DIR [PACKAGES...] | run DIR COMMAND..." >&2
    exit 2
    ;;
esac
