#!/bin/bash
# Runs our udev rules with `udevadm test` against a made-up sysfs: one of our
# devices, and another vendor's device behind a hub of our vendor. Only our
# device may get access. Everything happens in a private mount namespace
# (sysfs, the rules folders, /dev and /run are replaced there), so the
# machine's own udev state is not touched.
# Usage: UdevRulesTest.sh RULES_DIR   (exit 77: cannot run here, skipped)
set -u
rules=$(realpath "$1")
command -v udevadm >/dev/null && command -v unshare >/dev/null || exit 77

if [ "${ZT_IN_NAMESPACE:-}" != 1 ]; then
    work=$(mktemp -d) || exit 1
    trap 'rm -rf "$work"' EXIT
    ZT_IN_NAMESPACE=1 ZT_WORK=$work unshare --map-root-user --mount "$0" "$rules"
    status=$?
    exit $status
fi

work=$ZT_WORK
sys=$work/sys
usbroot=devices/pci0000:00/0000:00:14.0

# node PATH SUBSYSTEM [attr=value | U:uevent-line]...
node() {
    local p=$sys/$usbroot/$1 sub=$2
    shift 2
    mkdir -p "$p" && ln -sfn "/sys/$sub" "$p/subsystem" && : >"$p/uevent"
    for kv in "$@"; do
        case $kv in
            U:*) echo "${kv#U:}" >>"$p/uevent" ;;
            *) echo "${kv#*=}" >"$p/${kv%%=*}" ;;
        esac
    done
}
# usbdev PATH VID PID CLASS MINOR
usbdev() {
    node "$1" bus/usb idVendor="$2" idProduct="$3" bDeviceClass="$4" U:DEVTYPE=usb_device \
        U:DEVNAME="bus/usb/001/$(printf %03d $(($5 + 1)))" U:MAJOR=189 U:MINOR="$5" U:PRODUCT="$2/$3/100"
}
# hidraw USBPATH HIDNAME N
hidraw() {
    local i=$1/${1##*/}:1.0
    node "$i" bus/usb bInterfaceClass=03 U:DEVTYPE=usb_interface
    node "$i/$2" bus/hid
    node "$i/$2/hidraw/hidraw$3" class/hidraw U:MAJOR=241 U:MINOR="$3" U:DEVNAME="hidraw$3"
}
usbdev usb1 1d6b 0002 09 0
usbdev usb1/1-2 3c4d 7351 00 1
# the hub port it sits in, with its power switch
mkdir -p "$sys/$usbroot/usb1/1-0:1.0/usb1-port2" && : >"$sys/$usbroot/usb1/1-0:1.0/usb1-port2/disable"
ln -s ../1-0:1.0/usb1-port2 "$sys/$usbroot/usb1/1-2/port"
hidraw usb1/1-2 0003:3C4D:7351.0001 0
usbdev usb1/1-3 3c4d 0610 09 2           # a hub of our vendor
usbdev usb1/1-3/1-3.1 046d c077 00 3     # another vendor's device behind it
mkdir -p "$sys/$usbroot/usb1/1-3/1-3:1.0/1-3-port1" && : >"$sys/$usbroot/usb1/1-3/1-3:1.0/1-3-port1/disable"
ln -s ../1-3:1.0/1-3-port1 "$sys/$usbroot/usb1/1-3/1-3.1/port"
hidraw usb1/1-3/1-3.1 0003:046D:C077.0002 1

mkdir -p "$work/empty" || exit 1
mount --bind "$sys" /sys && mount -t tmpfs tmpfs /run && mount -t tmpfs tmpfs /dev &&
    mount --bind "$rules" /usr/lib/udev/rules.d || exit 77
[ -d /etc/udev/rules.d ] && { mount --bind "$work/empty" /etc/udev/rules.d || exit 77; }

failures=0
# expect DEVICE UACCESS PLUGDEV [PORT-SWITCH]
expect() {
    local out
    out=$(SYSTEMD_DEVICE_VERIFY_SYSFS=0 SYSTEMD_LOG_LEVEL=debug udevadm test --action=add "/sys/$usbroot/$1" 2>&1)
    if echo "$out" | grep -Eq 'Invalid|Unknown (group|user)|[Ff]ailed to parse'; then
        echo "FAIL $1: the rules do not parse cleanly:"
        echo "$out" | grep -E 'Invalid|Unknown|[Ff]ailed to parse'
        failures=$((failures + 1))
    fi
    local tagged=no grouped=no
    echo "$out" | grep -q '^TAGS=.*:uaccess:' && tagged=yes
    echo "$out" | grep -Eq 'GROUP( |=)"?(46|plugdev)' && echo "$out" | grep -Eq 'MODE( |=)"?0660' && grouped=yes
    if [ "$tagged" != "$2" ] || [ "$grouped" != "$3" ]; then
        echo "FAIL $1: uaccess $tagged (want $2), plugdev 0660 $grouped (want $3)"
        failures=$((failures + 1))
    fi
    # The port's power switch goes to plugdev with our unit only.
    local switched=no
    echo "$out" | grep -q "chgrp plugdev /sys/$usbroot/$1/port/disable" &&
        echo "$out" | grep -q "chmod g+w /sys/$usbroot/$1/port/disable" &&
        echo "$out" | grep -qF "/dev/bus/usb/\$(printf %03d/%03d \$(cat /sys/$usbroot/$1/../busnum) \$(cat /sys/$usbroot/$1/../devnum))" &&
        switched=yes
    if [ "$switched" != "${4:-no}" ]; then
        echo "FAIL $1: port switch to plugdev $switched (want ${4:-no})"
        failures=$((failures + 1))
    fi
}
expect usb1/1-2/1-2:1.0/0003:3C4D:7351.0001/hidraw/hidraw0 yes yes
expect usb1/1-2 yes yes yes
expect usb1/1-3 no no
expect usb1/1-3/1-3.1 no no
expect usb1/1-3/1-3.1/1-3.1:1.0/0003:046D:C077.0002/hidraw/hidraw1 no no
[ $failures = 0 ] && echo "the rules give our device and its port switch, and nothing else, to the seat and to plugdev"
exit $((failures > 0))
