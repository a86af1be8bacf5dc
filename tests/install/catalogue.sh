#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Every translatable text of the daemon, as extracted from the sources now, is translated in each
# catalogue under po/, and each catalogue keeps the placeholders of its English texts.
# Usage: catalogue.sh <source folder>
set -uo pipefail
top=$1
command -v xgettext >/dev/null || { echo "SKIP: gettext not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$top/scripts/extract-messages" "$work/template.pot" >/dev/null || exit 1
count=$(grep -c '^msgid "..*"' "$work/template.pot")
[ "$count" -gt 0 ] || { echo "FAIL: no texts extracted"; exit 1; }

failures=0
for po in "$top"/po/*/vesk_notify_osd_service.po; do
    msgfmt --check --statistics -o /dev/null "$po" || failures=$((failures + 1))
    msgcmp "$po" "$work/template.pot" || failures=$((failures + 1))
done
[ "$failures" -eq 0 ] && echo "PASS: $count texts"
exit $((failures != 0))
