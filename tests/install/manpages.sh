#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The manual pages format without a warning, osd-notify(1) describes every method the client
# knows, with the same value types, and osd-service(1) describes the settings osd-notify(1) lists.
# Usage: manpages.sh <doc folder> <osd-notify>
set -uo pipefail
doc=$1 notify=$2
command -v groff >/dev/null || { echo "SKIP: groff not installed (groff-base)"; exit 77; }

failures=0
for page in "$doc"/*.1; do
    warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
    [ -z "$warnings" ] || { echo "FAIL: $page: $warnings"; failures=$((failures + 1)); }
done

# The client prints "--volumeChanged <integer>"; the page must have the entry "--volumeChanged integer".
# The text methods name their values by meaning, so for them only the entry itself is checked.
text=$(groff -man -Tascii -P-cbou "$doc/osd-notify.1" 2>/dev/null)
while read -r method values; do
    entry=$(grep -E "^ +$method( |$)" <<<"$text" | head -n 1 | sed -E 's/^ +//; s/ +/ /g')
    if [ -z "$entry" ]; then
        echo "FAIL: osd-notify(1) has no entry for $method"
        failures=$((failures + 1))
        continue
    fi
    case $method in
    --showText* | --showProgressBar) continue ;;
    esac
    want=$(xargs <<<"$method $(tr -d '<>' <<<"$values")")
    # A short entry has its description on the same line.
    entry=$(cut -d ' ' -f "1-$(wc -w <<<"$want")" <<<"$entry")
    [ "$entry" = "$want" ] || { echo "FAIL: osd-notify(1) has '$entry' where the client has '$want'"; failures=$((failures + 1)); }
done < <("$notify" --methods | grep '^--')

# Every setting osd-notify(1) lists has its entry in osd-service(1) too.
service=$(groff -man -Tascii -P-cbou "$doc/osd-service.1" 2>/dev/null)
keys=$(sed -n '/^\.TP$/{n;s/^\.B \([A-Z][A-Za-z]*\)$/\1/p}' "$doc/osd-notify.1")
[ -n "$keys" ] || { echo "FAIL: osd-notify(1) lists no settings"; failures=$((failures + 1)); }
for key in $keys; do
    grep -qE "^ +$key( |$)" <<<"$service" || { echo "FAIL: osd-service(1) has no entry for the setting $key"; failures=$((failures + 1)); }
done

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures != 0))
