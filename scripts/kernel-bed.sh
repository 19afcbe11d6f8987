#!/usr/bin/env bash
# The kernel test bed: boots Debian 12's own kernel under QEMU (TCG) with a
# small initramfs holding busybox, the USB gadget and HID modules, the tool
# and the bed's tests, and runs those tests against the real USB and HID
# stack (dummy_hcd, configfs gadgets answered by our chip model).
#
#   bash scripts/kernel-bed.sh                 all bed tests, with the binaries of ./build
#   bash scripts/kernel-bed.sh --filter 'KernelQueriesTest.*'
#   bash scripts/kernel-bed.sh --shell         a shell in the guest (zt-gadget, zt51xx-mp in /bed)
#   bash scripts/kernel-bed.sh --wine-tool build/windows/src/cli/zt51xx-mp.exe --filter 'KernelWineTest.*'
#                                              the Windows build under Wine in the guest, over hidraw
#
# The kernel package is fetched once with apt-get download and unpacked with
# dpkg-deb into the cache directory; nothing is installed on this machine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

build=$here/build
cache=""
tool=""
tests=""
gadget=""
wine_tool=""
filter='*'
shell=0
limit=${ZT_BED_TIMEOUT:-400}
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --cache) cache=$2; shift 2 ;;
    --tool) tool=$2; shift 2 ;;
    --tests) tests=$2; shift 2 ;;
    --gadget) gadget=$2; shift 2 ;;
    --wine-tool) wine_tool=$2; shift 2 ;;
    --filter) filter=$2; shift 2 ;;
    --shell) shell=1; shift ;;
    --timeout) limit=$2; shift 2 ;;
    *) echo "usage: kernel-bed.sh [--build DIR] [--cache DIR] [--tool BIN] [--tests BIN] [--gadget BIN]" \
            "[--wine-tool EXE] [--filter GTEST_FILTER] [--timeout SECONDS] [--shell]" >&2; exit 2 ;;
  esac
done
cache=${cache:-$build/kernel-bed-cache}
tool=${tool:-$build/src/cli/zt51xx-mp}
tests=${tests:-$build/tests/kernel/zt_kernel_bed_tests}
gadget=${gadget:-$build/tools/zt-gadget}

say() { echo "kernel-bed: $*" >&2; }
die() { say "$*"; exit 1; }
for cmd in qemu-system-x86_64 cpio dpkg-deb modinfo; do
  command -v "$cmd" >/dev/null || die "$cmd is missing (bash scripts/setup.sh installs it)"
done
busybox=$(command -v busybox) || die "busybox is missing (package busybox-static)"
ldd "$busybox" >/dev/null 2>&1 && die "$busybox is linked dynamically; the guest needs busybox-static"
for bin in "$tool" "$tests"; do [ -x "$bin" ] || die "$bin is not built"; done
if [ -n "$wine_tool" ]; then
  if [ ! -f "$wine_tool" ]; then
    # A developer's plain build has no Windows build beside it: ctest reports
    # the Wine beds as skipped (exit 77). scripts/test.sh builds it first and
    # sets ZT_BED_REQUIRE_WINE_TOOL=1, so there a missing one is a failure.
    say "skipped: $wine_tool is not built (bash scripts/windows.sh builds it)"
    [ "${ZT_BED_REQUIRE_WINE_TOOL:-0}" = 1 ] && exit 1
    exit 77
  fi
  wine_tool=$(realpath "$wine_tool")
  for bin in /usr/lib/wine/wine64 /usr/lib/wine/wineserver64 /bin/udevadm; do
    [ -x "$bin" ] || die "$bin is missing (packages wine64 and udev)"
  done
fi

# Modules in load order; each one's dependencies come before it.
modules=(usb-common usbcore udc-core configfs libcomposite dummy_hcd usb_f_hid usb_f_fs hid usbhid hid-generic)

# --- the kernel, fetched once per cache ------------------------------------
mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9  # two beds starting together fetch once
kernel_dir=$(ls -d "$cache"/6.1.* 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$kernel_dir" ]; then
  package=${ZT_BED_KERNEL_PACKAGE:-$(apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/.*Depends: \(linux-image-6\.1\.0-[0-9]*-amd64\)$/\1/p' | head -1)}
  [ -n "$package" ] || die "cannot tell which linux-image-6.1.0-*-amd64 to fetch (apt-get update?)"
  work=$(mktemp -d "$cache/fetch.XXXXXX")
  say "fetching $package"
  (cd "$work" && { apt-get download -q "$package" >/dev/null 2>&1 ||
                   { apt-get update -qq && apt-get download -q "$package" >/dev/null 2>&1; }; }) ||
    { rm -rf "$work"; die "apt-get download $package failed"; }
  dpkg-deb -x "$work"/*.deb "$work/root"
  version=$(ls "$work/root/lib/modules")
  mkdir -p "$work/kernel/modules"
  cp "$work/root/boot/vmlinuz-$version" "$work/kernel/vmlinuz"
  loaded=" "
  for m in "${modules[@]}"; do
    ko=$(find "$work/root/lib/modules/$version" -name "$m.ko" -o -name "$m.ko.xz" | head -1)
    [ -n "$ko" ] || die "$package has no module $m"
    case $ko in *.xz) xz -dc "$ko" >"$work/kernel/modules/$m.ko" ;; *) cp "$ko" "$work/kernel/modules/$m.ko" ;; esac
    for dep in $(modinfo -F depends "$work/kernel/modules/$m.ko" | tr , ' '); do
      case $loaded in *" $dep "*) ;; *) die "module $m needs $dep first" ;; esac
    done
    loaded="$loaded$m "
  done
  mv "$work/kernel" "$cache/$version"
  rm -rf "$work"
  kernel_dir=$cache/$version
fi
if [ -n "$wine_tool" ]; then
  wine_prefix=$(bash "$here/scripts/kernel-bed-wine.sh" prefix "$cache")
fi
flock -u 9

# --- the guest's initramfs -------------------------------------------------
guest=$(mktemp -d "${TMPDIR:-/tmp}/kernel-bed.XXXXXX")
trap 'rm -rf "$guest"' EXIT
root=$guest/root
mkdir -p "$root"/{bin,dev,proc,sys,run,tmp,etc,bed,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$kernel_dir"/modules/*.ko "$root/lib/modules/"
printf '%s\n' "${modules[@]}" >"$root/bed/modules"
printf 'root:x:0:0::/tmp:/bin/sh\nnobody:x:65534:65534::/nonexistent:/bin/false\n' >"$root/etc/passwd"
printf 'root:x:0:\nplugdev:x:46:\nnogroup:x:65534:\n' >"$root/etc/group"
printf '%s\n' "$filter" >"$root/bed/filter"
[ "$shell" = 1 ] && touch "$root/bed/shell"

add_binary() {  # the binary (without debug info) and every shared library it loads
  strip --strip-debug -o "$root/bed/$(basename "$1")" "$1" 2>/dev/null || cp "$1" "$root/bed/"
  ldd "$1" | grep -o '/[^ ]*' | while read -r lib; do
    [ -e "$root$lib" ] || { mkdir -p "$root$(dirname "$lib")"; cp -L "$lib" "$root$lib"; }
  done
}
add_binary "$tool"
add_binary "$tests"
[ -x "$gadget" ] && add_binary "$gadget"
# udevd and the package's rule, which a test starts for itself (the others
# run without udev): the rule gives a unit and its port's power switch to
# plugdev, for a station user who is not root.
if [ -x /bin/udevadm ]; then
  mkdir -p "$root/bin" "$root/usr/lib/systemd" "$root/etc/udev/rules.d"
  cp -L /bin/udevadm "$root/bin/udevadm"
  ldd /bin/udevadm | grep -o '/[^ ]*' | while read -r lib; do
    [ -e "$root$lib" ] || { mkdir -p "$root$(dirname "$lib")"; cp -L "$lib" "$root$lib"; }
  done
  ln -sf /bin/udevadm "$root/usr/lib/systemd/systemd-udevd"
  cp "$here/data/udev/70-zt51xx-mp.rules" "$root/etc/udev/rules.d/"
fi
if [ -n "$wine_tool" ]; then
  bash "$here/scripts/kernel-bed-wine.sh" guest "$root" "$wine_prefix" "$wine_tool"
fi

cat >"$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
for m in $(cat /bed/modules); do
  case $m in
    dummy_hcd) insmod /lib/modules/$m.ko num=2 ;;  # two virtual controllers: two units
    *) insmod /lib/modules/$m.ko ;;
  esac || echo "ZT-BED: cannot load $m"
done
mount -t configfs configfs /sys/kernel/config
export PATH=/bin:/bed HOME=/tmp ZT_BED_TOOL=/bed/zt51xx-mp
cd /tmp
if [ -e /bed/wine/prefix ]; then
  # Wine's UDEV bus hears of hidraw nodes from udevd; its SDL bus is off in
  # the prefix. One persistent wineserver keeps Wine's services and drivers
  # up between the tests' runs.
  mkdir -p /run/udev
  /usr/lib/systemd/systemd-udevd --daemon >/tmp/udevd.log 2>&1 || echo "ZT-BED: udevd did not start"
  export WINEPREFIX=/bed/wine/prefix WINEDEBUG=-all ZT_BED_WINE=/usr/lib/wine/wine64 \
         ZT_BED_WINE_TOOL=/bed/wine/zt51xx-mp.exe
  /usr/lib/wine/wineserver64 -p </dev/null >/tmp/wineserver.log 2>&1
fi
if [ -e /bed/shell ]; then
  echo "ZT-BED: shell; zt-gadget puts a unit on the bus, zt51xx-mp talks to it; poweroff -f ends"
  setsid cttyhack sh
else
  /bed/zt_kernel_bed_tests --gtest_filter="$(cat /bed/filter)" --gtest_color=no
  echo "ZT-BED-STATUS $?"
fi
poweroff -f
INIT
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$guest/initrd"

# --- the boot ----------------------------------------------------------------
qemu=(qemu-system-x86_64 -accel tcg -m 1024 -smp 1 -nodefaults -no-user-config -display none
      -serial stdio -no-reboot -kernel "$kernel_dir/vmlinuz" -initrd "$guest/initrd"
      -append "console=ttyS0 quiet panic=-1 oops=panic")
if [ "$shell" = 1 ]; then
  exec "${qemu[@]}"
fi
say "booting $(basename "$kernel_dir") under TCG (at most ${limit} s), tests: $filter"
start=$(date +%s)
set +e
timeout --kill-after=10 "$limit" "${qemu[@]}" </dev/null | sed -u 's/\r$//' | tee "$guest/console.log"
set -e
took=$(( $(date +%s) - start ))
status=$(sed -n 's/^ZT-BED-STATUS \([0-9]*\)$/\1/p' "$guest/console.log" | tail -1)
if [ -z "$status" ]; then
  die "the guest ended without a result after ${took} s (hang, panic or time limit)"
fi
say "tests ended with $status after ${took} s"
[ "$status" = 0 ]
