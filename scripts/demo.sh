#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: a whole EEPROM write
# against the built-in simulated chip.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi
cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$(nproc)" --target zt51xx-mp
./build/normal/src/cli/zt51xx-mp write --simulate --yes
