#!/usr/bin/env bash
# The bash completion that quorix prints of itself: subcommands, each one's options, file names as values.
#   completion_test.sh <generated completion script>
set -euo pipefail
source "$1"

# What bash would offer with the cursor at the end of the given words.
offer() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quorix
    echo " ${COMPREPLY[*]-} "
}
fail() { echo "completion_test: $*" >&2; exit 1; }

[[ $(offer quorix '') == " list info capture get set settings usersets mask-cloud demo view " ]] ||
    fail "subcommands: $(offer quorix '')"
[[ $(offer quorix cap) == " capture " ]] || fail "quorix cap: $(offer quorix cap)"
[[ $(offer quorix --v) == " --version " ]] || fail "quorix --v: $(offer quorix --v)"
offered=$(offer quorix capture 127.0.0.1 --col)
[[ $offered == *" --color "* && $offered == *" --colored-cloud "* ]] || fail "capture --col: $offered"
[[ $(offer quorix capture 127.0.0.1 --nonsense) == "  " ]] || fail "an unknown option offers nothing"
[[ $(offer quorix demo --no) == " --no-discovery " ]] || fail "demo --no: $(offer quorix demo --no)"
[[ $(offer quorix --bash) == "  " ]] || fail "the hidden option is offered"

# The value of an option that takes one is a file name.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/cloud.ply" "$work/color.png"
[[ $(offer quorix capture 127.0.0.1 --cloud "$work/cl") == " $work/cloud.ply " ]] ||
    fail "file names after --cloud: $(offer quorix capture 127.0.0.1 --cloud "$work/cl")"
echo "completion offers the subcommands, their options and file names"
