#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running zt51xx-mp needs.
# Run as root. Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang lld libclang-rt-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  libudev-dev libusb-1.0-0-dev libsystemd-dev
  umockdev libumockdev-dev libglib2.0-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  xvfb xauth
  qemu-system-x86 busybox-static cpio kmod
  help2man lintian desktop-file-utils file udev
  python3 python3-jsonschema
  chromium
  g++-mingw-w64-x86-64-posix wine64
  libinih-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools fonts-wqy-zenhei
  libmosquitto-dev mosquitto openssl
  debhelper dpkg-dev systemd
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages with apt-get)" >&2
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == *"install ok installed"* ]] || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "setup.sh: all ${#packages[@]} packages present"
