#!/usr/bin/env bash
# Fails when a C++ file of ours differs from what .clang-format makes of it.
# With --fix it formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run -Werror)
[ "${1:-}" = "--fix" ] && mode=(-i)
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -vE '^(build|tests/fuzz/corpus)/')
clang-format "${mode[@]}" "${files[@]}"
echo "format-check.sh: ${#files[@]} files follow .clang-format"
