#!/usr/bin/env bash
# Takes docs/screenshot.png: the Qt dialog on the simulated chip, half-way
# through the body write of a job, on a virtual X display.
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
