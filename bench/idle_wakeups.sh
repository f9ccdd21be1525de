#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# How often the reminder service and the app wake while nothing is due:
# both run in a temporary home with 10,000 reminders registered for next
# year, on a private session bus (with and without a notification service
# is the same to them: they ask nothing while idle). Counts the context
# switches of every thread of each process over the idle time.
#   bench/idle_wakeups.sh <build dir> [seconds]
set -eu
build=${1:-build/default}
seconds=${2:-60}
root=$(mktemp -d)
trap 'kill $app $service $bus 2>/dev/null || true; wait 2>/dev/null; rm -rf "$root"' EXIT
export HOME="$root" XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config"
export XDG_RUNTIME_DIR="$root/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
dbus-daemon --session --address="unix:path=$root/bus" --nofork 2>/dev/null &
bus=$!
sleep 0.3
export DBUS_SESSION_BUS_ADDRESS="unix:path=$root/bus" DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
"$build/bench/velkari_bench_startup" --write-registry="$root/data/Velkari/Library/Reminders.plist" \
    --reminders=10000 >/dev/null
"$build/app/velkari-reminders" 2>/dev/null & service=$!
"$build/app/velkari" >/dev/null 2>&1 & app=$!
sleep 3 # both settled: the registry read, the first check done
# "tid switches" for every thread of a process
switches() {
    for status in /proc/$1/task/*/status; do
        tid=${status%/status}; tid=${tid##*/}
        echo "$tid $(awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {s += $2} END {print s}' "$status")"
    done | sort
}
# Wakes of the threads that lived through the whole time.
woke() {
    join "$1" "$2" | awk '{s += $3 - $2} END {print s + 0}'
}
switches $app > "$root/a0"; switches $service > "$root/s0"
sleep "$seconds"
switches $app > "$root/a1"; switches $service > "$root/s1"
a0=0; a1=$(woke "$root/a0" "$root/a1"); s0=0; s1=$(woke "$root/s0" "$root/s1")
echo "idle ${seconds} s, 10000 reminders, none due: app woke $((a1 - a0)) times, service $((s1 - s0)) times"
