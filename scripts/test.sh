#!/usr/bin/env bash
# Installs what is needed, builds and runs every test three ways: a normal
# build, AddressSanitizer+UndefinedBehaviorSanitizer, and ThreadSanitizer.
# Fails when a test fails or when a build ran no test at all.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi

# Every C++ file follows .clang-format (scripts/format-check.sh --fix mends it).
bash scripts/format-check.sh

jobs=$(nproc)
run_build() {
  local name=$1; shift
  echo "== $name build"
  cmake -S . -B "build/$name" -G Ninja "$@" >/dev/null
  cmake --build "build/$name" -j "$jobs"
  local log="build/$name/ctest.log"
  # The Windows build's kernel bed needs the Windows stage first (below).
  (cd "build/$name" && ctest --output-on-failure -j "$jobs" --timeout 300 -LE '^kernel_wine$') | tee "$log"
  if ! grep -qE '^[0-9]+% tests passed, 0 tests failed out of [1-9][0-9]*' "$log"; then
    echo "test.sh: the $name build ran no test or had failures" >&2
    exit 1
  fi
}

# The optimised build runs the kernel bed and the checks of the built tool;
# the unit tests run in the three builds below (ASan+UBSan, TSan, and the
# Windows build at its shipped -O3). The Debian packages are built apart by
# dpkg-buildpackage (the programs and man pages only, two jobs, no tests).
run_build normal -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_WITH_UNIT_TESTS=OFF
bash scripts/package.sh build/normal --check
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build asan -DCMAKE_BUILD_TYPE=Debug -DZT_SANITIZE=address -DZT_WITH_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_build tsan -DCMAKE_BUILD_TYPE=Debug -DZT_SANITIZE=thread -DZT_WITH_BENCH=OFF
# Windows: the cross-built core suite, the backends with no device and the
# native dialog, under Wine in a throwaway prefix (and Xvfb for the dialog).
run_windows() {
  echo "== windows build (mingw-w64 at the shipped flags, tests under Wine)"
  local start=$SECONDS build=build/windows
  # The zip as it ships, then the tests in the same tree at the same flags:
  # one build, and what is tested is what is shipped.
  ZT_WINDOWS_BUILD="$build" ZT_JOBS="$jobs" bash scripts/windows.sh
  cmake --build "$build" -j "$jobs"
  # The zip holds the two programs and the README, and nothing else.
  local zip="$PWD/$build/zt51xx-mp-windows.zip" files
  files=$(cmake -E tar tf "$zip" | grep -v '/$' | sort | tr '\n' ' ')
  if [ "$files" != "zt51xx-mp/README.txt zt51xx-mp/zt51xx-mp-gui.exe zt51xx-mp/zt51xx-mp.exe " ]; then
    echo "test.sh: the zip holds: $files" >&2
    exit 1
  fi
  local prefix unpacked
  prefix=$(mktemp -d)
  unpacked=$(mktemp -d)
  (cd "$unpacked" && cmake -E tar xf "$zip")
  local log="$build/ctest.log"
  # One Wine server for the whole run: the prefix is made once, then reused.
  (cd "$build" && WINEPREFIX="$prefix" WINEDEBUG=-all \
    xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure --timeout 300 -LE kernel) | tee "$log"
  # The zipped program, as an operator would start it.
  WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 "$unpacked/zt51xx-mp/zt51xx-mp.exe" write --simulate \
    --yes | tee -a "$log" | grep -q '^result: OK' || { echo "test.sh: the zipped zt51xx-mp.exe write --simulate failed" >&2; exit 1; }
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix" "$unpacked"
  if ! grep -qE '^[0-9]+% tests passed, 0 tests failed out of [1-9][0-9]*' "$log"; then
    echo "test.sh: the windows build ran no test or had failures" >&2
    exit 1
  fi
  echo "test.sh: windows stage took $((SECONDS - start)) s"
}
run_windows

# The Windows build under Wine in the kernel bed, over the gadget's hidraw:
# list, version and whole jobs through Wine's own HID stack.
run_kernel_wine() {
  # The list is read whole before it is searched: a grep that stops at its
  # first match would end ctest with SIGPIPE and, under pipefail, read as
  # "no such tests".
  local listed
  listed=$(cd build/normal && ctest -N -L '^kernel_wine$')
  if ! grep -q 'kernel_wine\.' <<<"$listed"; then
    echo "test.sh: this build has no Windows kernel-bed tests; that stage is skipped"
    return 0
  fi
  echo "== kernel bed with the Windows build under Wine"
  local start=$SECONDS log=build/normal/ctest-kernel-wine.log
  (cd build/normal && ZT_BED_REQUIRE_WINE_TOOL=1 ctest --output-on-failure -j "$jobs" -L '^kernel_wine$') |
    tee "$log"
  if ! grep -qE '^[0-9]+% tests passed, 0 tests failed out of [1-9][0-9]*' "$log"; then
    echo "test.sh: the Windows build's kernel bed failed" >&2
    exit 1
  fi
  echo "test.sh: Windows kernel bed took $((SECONDS - start)) s"
}
run_kernel_wine

if [ -x scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh
fi
echo "test.sh: all builds passed"
