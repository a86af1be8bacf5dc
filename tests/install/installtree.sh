#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the build into a staging folder and checks the tree: every file in place, the
# activation file, unit and autostart entry naming the installed daemon, the desktop tools'
# own checks, and the installed client running from there.
# Usage: installtree.sh <build dir> <list of installed files> <binary dir of the prefix>
set -euo pipefail
build=$1 manifest=$2 bindir=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" >"$work/install.log" || { cat "$work/install.log"; exit 1; }

while read -r path; do
    [ -e "$stage$path" ] || fail "not installed: $path"
done <"$manifest"

# The files name the daemon at its final place, which the staging folder mirrors.
services=$(dirname "$(grep '/dbus-1/services/' "$manifest")")
unit=$(grep '/user/osd-service.service$' "$manifest")
desktop=$(grep '/autostart/' "$manifest")
check_line() { grep -qxF "$2" "$stage$1" || fail "$1 lacks the line: $2"; }
check_line "$services/org.kde.osdService.service" "Name=org.kde.osdService"
check_line "$services/org.kde.osdService.service" "Exec=$bindir/osd-service"
check_line "$services/org.kde.osdService.service" "SystemdService=osd-service.service"
check_line "$unit" "Type=dbus"
check_line "$unit" "BusName=org.kde.osdService"
check_line "$unit" "ExecStart=$bindir/osd-service"
check_line "$unit" "WantedBy=graphical-session.target"
check_line "$desktop" "Exec=$bindir/osd-service"
check_line "$desktop" "X-systemd-skip=true"
[ -x "$stage$bindir/osd-service" ] || fail "the daemon is not executable"

# A daemon on Wayland loads its Wayland module from the path built into it; from anywhere else
# it would fall back to XWayland without a word beyond one warning.
module=$(grep '/osd_wayland\.so$' "$manifest")
grep -qaF "$module" "$stage$bindir/osd-service" || fail "the daemon does not look for its Wayland module at $module"

# "org.kde.plasmashell" may belong to another program of the desktop: never activatable here.
activatable=$(cd "$stage$services" && ls)
[ "$activatable" = "org.kde.osdService.service" ] || fail "activation files: $activatable"

# The enabling link of the unit must resolve inside the tree.
wants=$(grep 'graphical-session.target.wants' "$manifest")
[ "$(readlink -f "$stage$wants")" = "$(readlink -f "$stage$unit")" ] || fail "$wants does not point at the unit"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$stage$desktop" || fail "desktop-file-validate"
else
    echo "SKIP: desktop-file-validate not installed (desktop-file-utils)"
fi

if command -v systemd-analyze >/dev/null; then
    # The unit runs the daemon from its final place; for the check it runs the staged one, and
    # its Documentation= line must be found among the installed manual pages. systemd ignores a
    # misspelt key, a bad value or a key in the wrong section (the restart limit is read from
    # [Unit] only) with a warning and the status of success: any output is a failure here.
    mkdir -p "$work/units" "$work/runtime"
    chmod 700 "$work/runtime"
    sed "s|^ExecStart=.*|ExecStart=$stage$bindir/osd-service|" "$stage$unit" >"$work/units/osd-service.service"
    mandir=$(dirname "$(dirname "$(grep '/man1/osd-service.1.gz$' "$manifest")")")
    verify=$(XDG_RUNTIME_DIR=$work/runtime MANPATH=$stage$mandir \
        systemd-analyze --user verify "$work/units/osd-service.service" 2>&1) && [ -z "$verify" ] ||
        fail "systemd-analyze --user verify: $verify"
else
    echo "SKIP: systemd-analyze not installed"
fi

# The installed client runs from the tree.
names=$("$stage$bindir/osd-notify" --method_names || true)
[ "$(printf '%s\n' "$names" | grep -c .)" -eq 20 ] || fail "installed osd-notify lists: $names"

categories=$(grep '\.categories$' "$manifest")
grep -q '^vesk\.osd\.service ' "$stage$categories" || fail "no vesk.osd.service in $categories"

if [ "$failures" -ne 0 ]; then
    echo "Installed tree:"
    (cd "$stage" && find . ! -type d | sort)
    exit 1
fi
echo "PASS: $(wc -l <"$manifest") files installed and checked"
