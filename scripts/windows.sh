#!/usr/bin/env bash
# Cross-builds the tool for 64-bit Windows with mingw-w64 and packs
# build/windows/zt51xx-mp-windows.zip: zt51xx-mp.exe (when the command line is
# part of the build), zt51xx-mp-gui.exe and a short README. The .exe files are
# linked statically and need nothing else on Windows 10 or 11.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi

build=${ZT_WINDOWS_BUILD:-build/windows}
# The release flags as CMake gives them, whatever an earlier configure of
# this tree cached (CI once built it at -O1).
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -UCMAKE_CXX_FLAGS_RELEASE >/dev/null
targets=(zt51xx-mp-gui)
if grep -q '^zt51xx-mp:' <(cmake --build "$build" --target help 2>/dev/null); then
  targets+=(zt51xx-mp)
fi
cmake --build "$build" -j "${ZT_JOBS:-$(nproc)}" --target "${targets[@]}"

stage="$build/package/zt51xx-mp"
rm -rf "$build/package"
mkdir -p "$stage"
for exe in src/cli/zt51xx-mp.exe src/ui/win32/zt51xx-mp-gui.exe; do
  if [ -f "$build/$exe" ]; then
    cp "$build/$exe" "$stage/"
    x86_64-w64-mingw32-strip "$stage/$(basename "$exe")"
  fi
done
cat > "$stage/README.txt" <<'TEXT'
zt51xx-mp for Windows 10 and 11 (64-bit)

zt51xx-mp-gui.exe   the dialog: plug a device in, check the Vendor ID and
                    Product ID boxes, press "Write EEPROM" and follow the
                    prompts. Start it with --simulate to try it without a
                    device.
zt51xx-mp.exe       the same job from a command prompt or a station script
                    ("zt51xx-mp.exe --help"), when present in this package.

Both programs are self-contained; no installation and no runtime libraries
are needed. Only one dialog runs at a time: a second start brings the first
one to the front. The device is found through the HID class driver, as any
HID device; no driver needs to be installed for it.
TEXT
(cd "$build/package" && cmake -E tar cf ../zt51xx-mp-windows.zip --format=zip zt51xx-mp)
echo "windows.sh: wrote $build/zt51xx-mp-windows.zip"
