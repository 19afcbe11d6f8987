#!/usr/bin/env bash
# Takes docs/screenshot.png: the Qt dialog on the simulated chip, half-way
# through the body write of a job, on a virtual X display; docs/screenshot-station.png,
# the station window after a job on four simulated units, and both in Simplified
# Chinese (docs/screenshot-zh_CN.png, docs/screenshot-station-zh_CN.png); docs/screenshot-report.png,
# the station report of a made-up day in headless Chromium; and
# docs/screenshot-windows.png, the native Windows dialog under Wine,
# docs/screenshot-windows-station.png, its station window, and
# docs/screenshot-windows-station-run.png, that window running by itself.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi
build=build/normal
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zt51xx-mp-gui
out=${1:-docs/screenshot.png}
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/src/ui/qt/zt51xx-mp-gui" --simulate --sim-clock --auto-ok \
  --screenshot "$out" --screenshot-at 40
echo "screenshot.sh: wrote $out"

# The station window: four simulated units written at once, the third pulled
# half-way, taken when every row shows its result.
stationout=docs/screenshot-station.png
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/src/ui/qt/zt51xx-mp-gui" --station --simulate --sim-clock --units 4 --fault 3:unplug-at=600 \
  --station-id line3-st07 --operator amira --work-order WO-2291 \
  --auto-ok --screenshot "$stationout"
echo "screenshot.sh: wrote $stationout"

# The dialog and the station window in Simplified Chinese.
LANG=zh_CN.UTF-8 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/src/ui/qt/zt51xx-mp-gui" --simulate --sim-clock --auto-ok \
  --screenshot docs/screenshot-zh_CN.png --screenshot-at 40
echo "screenshot.sh: wrote docs/screenshot-zh_CN.png"
zhout=docs/screenshot-station-zh_CN.png
LANG=zh_CN.UTF-8 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/src/ui/qt/zt51xx-mp-gui" --station --simulate --sim-clock --units 4 --fault 3:unplug-at=600 \
  --station-id line3-st07 --operator amira --work-order WO-2291 \
  --auto-ok --screenshot "$zhout" || true  # exits 1: a unit failed
[ -f "$zhout" ] || { echo "screenshot.sh: no $zhout" >&2; exit 1; }
echo "screenshot.sh: wrote $zhout"

# The station report of a made-up day: three stations, one worn port socket.
cmake --build "$build" --target zt51xx-mp zt-station-day
reportout=docs/screenshot-report.png
day=$(mktemp -d)
"$build/tools/zt-station-day" 6500 3 >"$day/day.log"
"$build/src/cli/zt51xx-mp" report "$day/day.log" -o "$day/report.html"
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$day/profile" \
  --window-size=1150,3150 --screenshot="$PWD/$reportout" "file://$day/report.html" 2>/dev/null
rm -rf "$day"
echo "screenshot.sh: wrote $reportout"

# The native Windows dialog under Wine, at the same point of the same job.
winbuild=build/windows
cmake -S . -B "$winbuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$winbuild" --target zt51xx-mp-gui
winout=${2:-docs/screenshot-windows.png}
prefix=$(mktemp -d)
WINEPREFIX="$prefix" WINEDEBUG=-all xvfb-run -a -s "-screen 0 1024x768x24" \
  /usr/lib/wine/wine64 "$winbuild/src/ui/win32/zt51xx-mp-gui.exe" --simulate --sim-clock \
  --screenshot "$winout" --screenshot-at 40
echo "screenshot.sh: wrote $winout"

# The Windows station window under Wine after the same four-unit job.
winstationout=docs/screenshot-windows-station.png
WINEPREFIX="$prefix" WINEDEBUG=-all xvfb-run -a -s "-screen 0 1024x768x24" \
  /usr/lib/wine/wine64 "$winbuild/src/ui/win32/zt51xx-mp-gui.exe" --station --simulate --sim-clock --units 4 \
  --fault 3:unplug-at=600 --auto-ok --screenshot "$winstationout" || true  # exits 1: a unit failed
[ -f "$winstationout" ] || { echo "screenshot.sh: no $winstationout" >&2; exit 1; }
echo "screenshot.sh: wrote $winstationout"

# The same window running by itself: four units, each written as it is
# plugged, the third pulled half-way; taken once every port waits for its
# next unit with the last one's result still on its row.
winrunout=docs/screenshot-windows-station-run.png
rm -f "$winrunout"
WINEPREFIX="$prefix" WINEDEBUG=-all xvfb-run -a -s "-screen 0 1024x768x24" \
  /usr/lib/wine/wine64 "$winbuild/src/ui/win32/zt51xx-mp-gui.exe" --station --run --simulate --sim-clock \
  --units 4 --fault 3:unplug-at=600 --station-id line3-st07 --operator amira --work-order WO-2291 \
  --screenshot "$winrunout" || true  # exits 1: a unit failed
[ -f "$winrunout" ] || { echo "screenshot.sh: no $winrunout" >&2; exit 1; }
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
rm -rf "$prefix"
echo "screenshot.sh: wrote $winrunout"
