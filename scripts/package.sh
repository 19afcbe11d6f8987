#!/usr/bin/env bash
# Builds the Debian package from a configured build tree and lists its contents.
#   bash scripts/package.sh [BUILD_DIR] [--check]
# BUILD_DIR defaults to build/normal (configure it first: cmake -S . -B build/normal -G Ninja).
# Two packages: zt51xx-mp (the command line, no Qt) and zt51xx-mp-gui (the
# dialogs). With --check it also fails when a file a package must hold is
# missing, when the command line's package depends on Qt, when a program
# lacks the hardening (bind now, relro, fortify) or carries a .comment
# section, when lintian --pedantic reports anything not overridden, or when
# the desktop entry or the AppStream entry does not validate.
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
cli_deb=$(echo "$out"/zt51xx-mp_*.deb)
gui_deb=$(echo "$out"/zt51xx-mp-gui_*.deb)
debs=()
for deb in "$cli_deb" "$gui_deb"; do
  [ -f "$deb" ] && debs+=("$deb")
done
if [ ! -f "$cli_deb" ]; then
  echo "package.sh: cpack made no zt51xx-mp package in $out" >&2
  exit 1
fi
for deb in "${debs[@]}"; do
  echo "== $deb"
  dpkg-deb -I "$deb" | sed -n '/^ Package:/,$p'
  dpkg-deb -c "$deb"
done
[ "$check" -eq 1 ] || exit 0

failed=0
fail() {
  echo "package.sh: $*" >&2
  failed=1
}

# has DEB FILE...: every FILE is a regular file in DEB.
has() {
  local deb=$1 listing file
  shift
  listing=$(dpkg-deb -c "$deb" | awk '{ print substr($1, 1, 1) $NF }')
  for file in "$@"; do
    grep -qxF -- "-.$file" <<<"$listing" || fail "$(basename "$deb") lacks $file"
  done
  # Only what the package owns: an empty /etc/udev would be left from the
  # rule's place in a /usr/local build.
  if grep -q '^d\./etc/' <<<"$listing"; then fail "$(basename "$deb") holds directories under /etc"; fi
}

udevdir=$(pkg-config --variable=udevdir udev 2>/dev/null || true)
has "$cli_deb" \
  /usr/bin/zt51xx-mp \
  "${udevdir:-/usr/lib/udev}/rules.d/70-zt51xx-mp.rules" \
  /usr/share/man/man1/zt51xx-mp.1.gz \
  /usr/share/bash-completion/completions/zt51xx-mp \
  /usr/share/doc/zt51xx-mp/failure-codes.md \
  /usr/share/doc/zt51xx-mp/json-events.md \
  /usr/share/doc/zt51xx-mp/json-events.schema.json \
  /usr/share/doc/zt51xx-mp/copyright \
  /usr/share/doc/zt51xx-mp/changelog.Debian.gz
dpkg-deb -I "$cli_deb" postinst | grep -q 'udevadm trigger' || fail "the postinst does not trigger udev"
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
for dependency in libudev1 libusb-1.0-0 libmosquitto1; do
  grep -q "$dependency" <<<"$cli_depends" || fail "zt51xx-mp Depends lacks $dependency: $cli_depends"
done
# A headless station installs the command line without Qt.
if grep -qi 'qt' <<<"$cli_depends"; then fail "zt51xx-mp depends on Qt: $cli_depends"; fi

if [ -f "$gui_deb" ]; then
  has "$gui_deb" \
    /usr/bin/zt51xx-mp-gui \
    /usr/share/man/man1/zt51xx-mp-gui.1.gz \
    /usr/share/bash-completion/completions/zt51xx-mp-gui \
    /usr/share/applications/zt51xx-mp-gui.desktop \
    /usr/share/icons/hicolor/scalable/apps/zt51xx-mp-gui.svg \
    /usr/share/metainfo/org.example.zt51xx_mp_gui.metainfo.xml \
    /usr/share/doc/zt51xx-mp-gui/copyright \
    /usr/share/doc/zt51xx-mp-gui/changelog.Debian.gz
  gui_depends=$(dpkg-deb -f "$gui_deb" Depends)
  for dependency in 'zt51xx-mp (= ' libqt6widgets6 qt6-qpa-plugins; do
    grep -qF "$dependency" <<<"$gui_depends" || fail "zt51xx-mp-gui Depends lacks $dependency: $gui_depends"
  done
fi

# Both programs: bound at start (bindnow) with read-only relocations, and
# without the compiler's .comment notes; lintian checks the fortified calls.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
for deb in "${debs[@]}"; do
  dpkg-deb -x "$deb" "$unpacked"
done
for program in "$unpacked"/usr/bin/*; do
  name=$(basename "$program")
  readelf -d "$program" | grep -qE 'BIND_NOW|FLAGS_1.*NOW' || fail "$name is not linked with -z now"
  readelf -l "$program" | grep -q GNU_RELRO || fail "$name has no read-only relocations"
  if readelf -S -W "$program" | grep -q '\.comment'; then fail "$name has a .comment section"; fi
done

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate data/desktop/zt51xx-mp-gui.desktop || fail "the desktop entry does not validate"
fi
if command -v appstreamcli >/dev/null && [ -f "$gui_deb" ]; then
  echo "== appstreamcli"
  appstreamcli validate --pedantic --no-net --explain \
    "$unpacked/usr/share/metainfo/org.example.zt51xx_mp_gui.metainfo.xml" || fail "the AppStream entry does not validate"
fi

echo "== lintian"
# Pedantic: every tag down to the pedantic ones fails the check, unless an
# override (data/debian/lintian-overrides, each with its reason) allows it.
# lintian warns on stderr when run as root; that is no finding.
lintian --pedantic --fail-on error,warning,info,pedantic --display-info "${debs[@]}" \
  2> >(grep -v 'root privileges' >&2) || fail "lintian reports a finding"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "package.sh: ${debs[*]} hold every file; lintian and AppStream report nothing"
