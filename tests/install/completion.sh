#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The bash completion against the client itself: the first word offers exactly the methods that
# osd-notify knows, a boolean value offers true and false for exactly the switch methods, and a
# power profile the three profiles.
# The zsh completion gets the same checks of its first word and switch values where zsh exists.
# Usage: completion.sh <bash completion> <zsh completion> <osd-notify>
set -uo pipefail
script=$1 zsh_script=$2 notify=$3
# shellcheck disable=SC1090
. "$script"

failures=0
complete_words() { # the candidates for the last of the given words
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _osd_notify
    printf '%s\n' "${COMPREPLY[@]}"
}
expect() { # name, expected, actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3")
        failures=$((failures + 1))
    fi
}

methods=$("$notify" --method_names | sed 's/^/--/')
expect "first word lists the methods" "$methods" "$(complete_words osd-notify '')"
expect "first word -- lists the methods" "$methods" "$(complete_words osd-notify --)"
expect "first word --w" "$(grep '^--w' <<<"$methods")" "$(complete_words osd-notify --w)"
expect "first word without dashes" "" "$(complete_words osd-notify volume)"

# The client's own description of each method says which take a boolean.
profiles=$'power-saver\nbalanced\nperformance'
value_candidates() { # method, the rest of its description line
    case $2 in
    "<boolean>") echo $'true\nfalse' ;;
    *) [ "$1" = --powerProfileChanged ] && echo "$profiles" ;;
    esac
}
while read -r method rest; do
    want=$(value_candidates "$method" "$rest")
    expect "value of $method" "$want" "$(complete_words osd-notify "$method" '')"
done < <("$notify" --methods | grep '^--')
expect "boolean value t" "true" "$(complete_words osd-notify --wifiEnabledChanged t)"
expect "after a boolean value" "" "$(complete_words osd-notify --wifiEnabledChanged true '')"
expect "power profile p" $'power-saver\nperformance' "$(complete_words osd-notify --powerProfileChanged p)"

positions=$'North\nCenter\nNorthWest\nNorthEast\nWest\nEast\nSouthWest\nSouth\nSouthEast'
expect "position of showTextWithFont" "$positions" "$(complete_words osd-notify --showTextWithFont i t f 12 3000 '')"
expect "position of showTextWithFontNoBackground S" "$(grep '^S' <<<"$positions")" \
    "$(complete_words osd-notify --showTextWithFontNoBackground i t f 12 3000 S)"

if command -v zsh >/dev/null; then
    # The completion function runs with compadd printing its candidates.
    zsh_complete() {
        zsh -f -c 'compadd() { if [[ $1 == -a ]]; then print -l -- ${(P)2}; else print -l -- "$@"; fi }
            words=("${@:2}"); CURRENT=$(($# - 1)); source "$1"' zsh "$zsh_script" "$@"
    }
    expect "zsh: first word lists the methods" "$methods" "$(zsh_complete osd-notify '')"
    while read -r method rest; do
        want=$(value_candidates "$method" "$rest")
        expect "zsh: value of $method" "$want" "$(zsh_complete osd-notify "$method" '')"
    done < <("$notify" --methods | grep '^--')
else
    echo "SKIP: zsh not installed, its completion is not checked"
fi

[ "$failures" -eq 0 ] && echo "PASS: $(grep -c . <<<"$methods") methods"
exit $((failures != 0))
