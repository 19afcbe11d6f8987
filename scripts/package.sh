#!/usr/bin/env bash
# Builds the Debian package from a configured build tree and lists its contents.
#   bash scripts/package.sh [BUILD_DIR] [--check]
# BUILD_DIR defaults to build/normal (configure it first: cmake -S . -B build/normal -G Ninja).
# With --check it also fails when lintian reports an error, when a file the
# package must hold is missing, or when the desktop entry does not validate.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/normal
check=0
for arg in "$@"; do
  case $arg in
    --check) check=1 ;;
    -*) echo "package.sh: unknown option $arg" >&2; exit 2 ;;
    *) build=$arg ;;
  esac
done

if [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "package.sh: $build is not a configured build tree (cmake -S . -B $build -G Ninja)" >&2
  exit 1
fi
if ! command -v help2man >/dev/null; then
  echo "package.sh: help2man is missing (bash scripts/setup.sh installs it), and the man pages with it" >&2
  exit 1
fi

# The man pages depend on both programs, so this builds everything the package holds.
cmake --build "$build" -j 2 --target zt_man_pages
out=$build/package
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$PWD/package" >/dev/null)
deb=$(echo "$out"/*.deb)
if [ ! -f "$deb" ]; then
  echo "package.sh: cpack made no package in $out" >&2
  exit 1
fi
echo "== $deb"
dpkg-deb -I "$deb" | sed -n '/^ Package:/,$p'
dpkg-deb -c "$deb"
[ "$check" -eq 1 ] || exit 0

failed=0
fail() {
  echo "package.sh: $*" >&2
  failed=1
}

udevdir=$(pkg-config --variable=udevdir udev 2>/dev/null || true)
listing=$(dpkg-deb -c "$deb" | awk '{ print substr($1, 1, 1) $NF }')
for file in \
  /usr/bin/zt51xx-mp \
  /usr/bin/zt51xx-mp-gui \
  "${udevdir:-/usr/lib/udev}/rules.d/70-zt51xx-mp.rules" \
  /usr/share/man/man1/zt51xx-mp.1.gz \
  /usr/share/man/man1/zt51xx-mp-gui.1.gz \
  /usr/share/bash-completion/completions/zt51xx-mp \
  /usr/share/applications/zt51xx-mp-gui.desktop \
  /usr/share/icons/hicolor/scalable/apps/zt51xx-mp-gui.svg \
  /usr/share/metainfo/zt51xx-mp-gui.metainfo.xml \
  /usr/share/doc/zt51xx-mp/copyright \
  /usr/share/doc/zt51xx-mp/changelog.Debian.gz; do
  grep -qxF -- "-.$file" <<<"$listing" || fail "the package lacks $file"
done
# Only what the package owns: an empty /etc/udev would be left from the
# rule's place in a /usr/local build.
grep -q '^d\./etc/' <<<"$listing" && fail "the package holds directories under /etc"

dpkg-deb -I "$deb" postinst | grep -q 'udevadm trigger' || fail "the postinst does not trigger udev"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libudev1 libusb-1.0-0 libqt6widgets6 qt6-qpa-plugins; do
  grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate data/desktop/zt51xx-mp-gui.desktop || fail "the desktop entry does not validate"
fi

echo "== lintian"
# lintian warns on stderr when run as root; that is no finding.
lintian --fail-on error --display-info "$deb" 2> >(grep -v 'root privileges' >&2) || fail "lintian reports an error"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "package.sh: $deb holds every file and lintian reports no error"
