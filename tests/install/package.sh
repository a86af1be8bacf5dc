#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Packs this build as scripts/package packs its own (the same install rules and CPack settings;
# scripts/test configures its builds with the package's options) and checks the .deb: lintian
# reports no error and no warning, and every installed file is in the package.
# Usage: package.sh <build dir> <list of installed files> <cpack> <install prefix> <configuration dir>
set -uo pipefail
build=$1 manifest=$2 cpack=$3 prefix=$4 sysconfdir=$5

command -v lintian >/dev/null || { echo "SKIP: lintian not installed (scripts/install-deps installs it)"; exit 77; }
# The package's files name /usr and /etc inside them. CMake keeps the configuration folder it
# chose at the first configure, so a build folder first configured for another prefix packs
# other paths even after the prefix is changed.
if [ "$prefix" != /usr ] || [ "$sysconfdir" != /etc ]; then
    echo "SKIP: this build installs into $prefix with its configuration in $sysconfdir, the package into /usr and /etc; configure a new build folder with the options in scripts/package-options.sh, as scripts/test does"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && "$cpack" -G DEB -B "$work") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/*.deb)
[ -f "$deb" ] || { cat "$work/cpack.log"; exit 1; }

# Informational and pedantic tags are left to whoever reads a full report (lintian -I --pedantic).
lintian --fail-on error,warning "$deb" || fail "lintian reports the tags above"

dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' >"$work/contents"
while read -r path; do
    grep -qxF "$path" "$work/contents" || fail "not in the package: $path"
done <"$manifest"

if [ "$failures" -ne 0 ]; then
    dpkg-deb --info "$deb"
    exit 1
fi
echo "PASS: $(basename "$deb"): lintian clean, $(wc -l <"$manifest") files"
