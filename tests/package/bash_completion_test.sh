#!/usr/bin/env bash
# bash_completion_test.sh COMPLETION PROGRAM
# The completion reads commands and options from PROGRAM's --help; this checks
# what it offers at the places an operator presses Tab, so a change to the
# help's layout that the completion no longer understands fails here.
set -uo pipefail

completion=$(realpath "$1")
program=$(realpath "$2")
PATH="$(dirname "$program"):$PATH"
# shellcheck source=/dev/null
source "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/station.bin"
cd "$work" || exit 1

failures=0
# expect "WORDS..." -- EXPECTED...: completing the last word must offer exactly
# EXPECTED (in any order); "contains" instead of "--" only requires them.
expect() {
    local words=() mode
    while [[ $1 != -- && $1 != contains ]]; do words+=("$1"); shift; done
    mode=$1; shift
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    _zt51xx_mp
    local got want missing=()
    got=" ${COMPREPLY[*]} "
    for want in "$@"; do
        [[ $got == *" $want "* ]] || missing+=("$want")
    done
    if ((${#missing[@]} > 0)) || [[ $mode == -- && ${#COMPREPLY[@]} -ne $# ]]; then
        echo "FAIL: '${words[*]}' offered [${COMPREPLY[*]}], expected $mode [$*]"
        failures=$((failures + 1))
    fi
}

# Commands and subcommands.
expect zt51xx-mp "" contains write erase version list image
expect zt51xx-mp wr -- write
expect zt51xx-mp image "" -- list inspect export
# Options of the command being typed, not of another.
expect zt51xx-mp write --si -- --simulate --sim-clock
expect zt51xx-mp write -y --vid 3C4D --pi -- --pid
expect zt51xx-mp image --h -- --help
# Values: the simulated chip's variants and faults, none for IDs, files elsewhere.
expect zt51xx-mp write --variant "" -- A B unknown
expect zt51xx-mp write --simulate --variant = "" -- A B unknown
expect zt51xx-mp write --fault st -- stuck= stuck-many
expect zt51xx-mp write --fault "" contains no-reply header-wont-clear unplug-at=
expect zt51xx-mp write --vid "" --
# Ports come from `list` (of the simulated station typed so far), codes
# from the catalogue: neither is a file name.
expect zt51xx-mp write --simulate --units 3 --port "" -- 1-1.1 1-1.2 1-1.3
expect zt51xx-mp erase --simulate --port 1-1. -- 1-1.1
expect zt51xx-mp explain 0003040 -- 00030401
expect zt51xx-mp explain 02 contains 020F0702 020A1005
# Positionals: the variant first, then the file, counted past options.
expect zt51xx-mp write --simulate --link "" -- full high
expect zt51xx-mp image inspect "" -- A B station.bin
expect zt51xx-mp image inspect st -- station.bin
expect zt51xx-mp image export --help A st -- station.bin

if ((failures > 0)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "bash completion: all cases passed"
