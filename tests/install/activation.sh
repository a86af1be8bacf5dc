#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# D-Bus activation: on a private bus whose only service folder holds the daemon's activation
# file, a first osd-notify call starts the daemon and succeeds.
# Usage: activation.sh <service folder> <osd-notify> <osd-service>
set -euo pipefail
services=$1 notify=$2 daemon=$3

work=$(mktemp -d)
# Should the run end early, the daemon the bus started is stopped all the same.
cleanup() {
    if [ -s "$work/daemon.pid" ]; then
        kill "$(cat "$work/daemon.pid")" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

cat >"$work/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF

# The bus hands its own environment to the daemon it starts: a home, configuration and runtime
# folder of this test's own, and the display of the test run.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb

[ -n "${DISPLAY:-}" ] || { echo "SKIP: no X display"; exit 77; }

# Runs on the private bus: the call, then who owns the names, then the daemon is stopped by its
# pid before the bus goes away.
cat >"$work/on-bus.sh" <<'ONBUS'
set -u
notify=$1 daemon=$2 work=$3
owner_pid() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID "string:$1" 2>/dev/null | awk '/uint32/ { print $2 }'
}
failures=0
fail() { echo "FAIL: $*"; failures=1; }
[ -z "$(owner_pid org.kde.osdService)" ] || fail "the daemon ran before the call"
"$notify" --volumeChanged 40 || fail "osd-notify --volumeChanged 40 exited with $?"
pid=$(owner_pid org.kde.osdService)
if [ -z "$pid" ]; then
    fail "nothing owns org.kde.osdService after the call"
    exit 1
fi
echo "$pid" >"$work/daemon.pid"
[ "$(owner_pid org.kde.plasmashell)" = "$pid" ] || fail "org.kde.plasmashell is not owned by the started daemon"
[ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$daemon")" ] || fail "the bus started $(readlink -f "/proc/$pid/exe")"
# A second call goes to the running daemon.
"$notify" --wifiEnabledChanged true || fail "a second call exited with $?"
[ "$(owner_pid org.kde.osdService)" = "$pid" ] || fail "a second daemon answered"
kill "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the daemon did not stop on SIGTERM"
exit $failures
ONBUS
dbus-run-session --config-file="$work/session.conf" -- bash "$work/on-bus.sh" "$notify" "$daemon" "$work"
