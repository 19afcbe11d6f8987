#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/*_fuzz.cpp) with clang and runs each
# for a short while. Fails when a target does not build or when it finds a
# crash, a sanitizer report or a leak. FUZZ_SECONDS sets the time per target
# (default 20), FUZZ_JOBS the build parallelism (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-2}
build=build/fuzz

targets=()
for source in tests/fuzz/*_fuzz.cpp; do
  [ -e "$source" ] && targets+=("$(basename "$source" .cpp)")
done
if [ "${#targets[@]}" -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets in tests/fuzz" >&2
  exit 1
fi

echo "== fuzz build"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZT_WITH_FUZZ=ON -DZT_WITH_QT=OFF -DZT_WITH_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/corpus/$target" ] && seeds+=("tests/fuzz/corpus/$target")
  echo "== fuzzing $target for ${seconds}s"
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/$target-" "$corpus" "${seeds[@]}"
done
echo "fuzz.sh: every target ran ${seconds}s without a finding"
