#!/usr/bin/env bash
# make-man-page.sh PROGRAM VERSION SUMMARY SEE_ALSO OUTPUT.1.gz [INCLUDE...]
#
# Each INCLUDE is a help2man include file of sections of its own (EXIT
# STATUS, FAILURE CODES) that no --help text holds.
# Turns PROGRAM's --help into its man page with help2man. For a program with
# subcommands, the --help of every subcommand (and of theirs) becomes a
# COMMANDS section too, so the man page holds every option the program
# knows. The page is gzipped without a time stamp, as Debian wants it.
set -euo pipefail

program=$1 version=$2 summary=$3 see_also=$4 output=$5
shift 5
name=$(basename "$program")
include=$(mktemp)
trap 'rm -f "$include"' EXIT

# Subcommand names from a help text on stdin.
subcommands() {
    awk '/^[^ ]/ { in_list = ($0 ~ /^Subcommands:/); next }
         in_list && /^  ? ? ?[a-z]/ { print $1 }'
}

# A help text on stdin as roff: what precedes "Usage:" is a paragraph, the
# rest is kept as laid out. Backslashes and leading dots must not reach roff.
help_as_roff() {
    awk 'BEGIN { verbatim = 0 }
         { gsub(/\\/, "\\e"); gsub(/-/, "\\-"); sub(/^[.\047]/, "\\\\&&") }
         /^Usage:/ && !verbatim { print ".PP"; print ".nf"; verbatim = 1 }
         { print }
         END { if (verbatim) print ".fi" }'
}

describe() {
    local path=("$@") sub
    local help
    help=$("$program" "${path[@]}" --help 2>&1)
    if ((${#path[@]} > 0)); then
        printf '.SS "%s %s"\n' "$name" "${path[*]}"
        help_as_roff <<<"$help"
    fi
    for sub in $(subcommands <<<"$help"); do
        describe "${path[@]}" "$sub"
    done
}

commands=$(describe)
if [[ -n $commands ]]; then
    printf '[COMMANDS]\n%s\n' "$commands" >>"$include"
fi
for extra in "$@"; do
    cat "$extra" >>"$include"
done
if [[ -n $see_also ]]; then
    printf '[SEE ALSO]\n%s\n' "$see_also" >>"$include"
fi

help2man --no-info --no-discard-stderr --section=1 \
    --version-string="$name $version" --name="$summary" --include="$include" \
    --output="${output%.gz}" "$program"
gzip -9nf "${output%.gz}"
