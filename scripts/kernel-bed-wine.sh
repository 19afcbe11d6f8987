#!/usr/bin/env bash
# Wine for the kernel bed's guest (called by scripts/kernel-bed.sh --wine-tool).
#
#   kernel-bed-wine.sh prefix CACHE            makes the Wine prefix once per cache and Wine
#                                              version; prints its path
#   kernel-bed-wine.sh guest ROOT PREFIX EXE   puts Wine, the prefix, udevd and EXE into the
#                                              guest's root (ROOT/bed/wine, ROOT/usr, ROOT/lib)
#
# The guest has 1 GB of memory and its files live in it, so it gets only
# what a console program, Wine's services and its HID drivers load: a few
# dozen of Wine's 600 MB of PE modules. The prefix's copies of those modules
# become links to Wine's own files, which Wine loads in their place.
set -euo pipefail

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
pe_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
unix_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-unix
say() { echo "kernel-bed-wine: $*" >&2; }
die() { say "$*"; exit 1; }

make_prefix() {
  local cache version prefix work
  cache=$(realpath "$1")
  version=$("$wine" --version | tr -c 'A-Za-z0-9.\n-' _)
  prefix=$cache/wine-prefix-$version
  if [ ! -e "$prefix/.zt-ready" ]; then
    rm -rf "$prefix"
    work=$(mktemp -d "$cache/wine-prefix.XXXXXX")
    local log=$work.log
    say "making a Wine prefix ($version)"
    # Wine's own processes keep the first program's output open: files, not pipes.
    (export WINEPREFIX=$work WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
     "$wine" wineboot -i >"$log" 2>&1 &&
     "$wine" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v "Enable SDL" /t REG_DWORD /d 0 /f \
       >>"$log" 2>&1 &&
     "$wineserver" -w) </dev/null || { cat "$log" >&2; die "wineboot failed"; }
    grep -q '"Enable SDL"=dword:00000000' "$work/system.reg" || die "the winebus key did not reach system.reg"
    rm -f "$log"
    # The prefix's copies of Wine's modules and tables become links to them.
    find "$work/drive_c" -type f -print0 | while IFS= read -r -d '' f; do
      local base=${f##*/} same=""
      for candidate in "$pe_dir/${base,,}" "/usr/share/wine/nls/${base,,}"; do
        if [ -f "$candidate" ] && cmp -s "$f" "$candidate"; then same=$candidate; break; fi
      done
      [ -z "$same" ] || ln -sf "$same" "$f"
    done
    touch "$work/.zt-ready"
    mv "$work" "$prefix"
  fi
  echo "$prefix"
}

# The PE modules a program of ours loads, with Wine's services and the HID
# drivers: the import closure of these, plus the ones loaded by name.
pe_seeds=(services.exe winedevice.exe plugplay.exe explorer.exe rpcss.exe svchost.exe wineboot.exe
          conhost.exe start.exe ntoskrnl.exe winebus.sys hidclass.sys hidparse.sys winehid.sys mountmgr.sys
          ndis.sys nsiproxy.sys wineusb.sys ntdll.dll kernel32.dll wevtsvc.dll actxprxy.dll iphlpapi.dll
          winmm.dll msacm32.dll propsys.dll windowscodecs.dll uxtheme.dll userenv.dll)
# Wine's Unix-side modules that the above need, each with its libraries.
unix_modules=(ntdll.so win32u.so winebus.so wineusb.so mountmgr.so nsiproxy.so ws2_32.so dnsapi.so bcrypt.so
              crypt32.so secur32.so kerberos.so msv1_0.so netapi32.so)

copy_with_libraries() {  # ROOT FILE: FILE at its own path, and every library it loads
  local root=$1 file=$2
  mkdir -p "$root$(dirname "$file")"
  cp -L "$file" "$root$file"
  { ldd "$file" 2>/dev/null || true; } | { grep -o '/[^ ]*' || true; } | while read -r lib; do
    [ -e "$root$lib" ] || { mkdir -p "$root$(dirname "$lib")"; cp -L "$lib" "$root$lib"; }
  done
}

fill_guest() {
  local root=$1 prefix=$2 exe=$3
  mkdir -p "$root/bed/wine" "$root$pe_dir"
  cp "$exe" "$root/bed/wine/zt51xx-mp.exe"
  copy_with_libraries "$root" "$wine"
  copy_with_libraries "$root" "$wineserver"
  for m in "${unix_modules[@]}"; do copy_with_libraries "$root" "$unix_dir/$m"; done
  mkdir -p "$root/usr/share"
  # With its times: the prefix is made again when wine.inf looks newer than it.
  cp -a /usr/share/wine "$root/usr/share/"
  rm -rf "$root/usr/share/wine/fonts"

  local -A seen=()
  local queue=("$exe" "${pe_seeds[@]}") name file
  while [ ${#queue[@]} -gt 0 ]; do
    name=${queue[0]}
    queue=("${queue[@]:1}")
    case $name in
      /*) file=$name ;;
      *) name=${name,,}; file=$pe_dir/$name ;;
    esac
    [ -z "${seen[$file]:-}" ] || continue
    seen[$file]=1
    [ -f "$file" ] || continue  # an API set, resolved inside Wine
    [ "$file" = "$exe" ] || cp "$file" "$root$pe_dir/"
    for dep in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
      queue+=("$dep")
    done
  done

  cp -a "$prefix" "$root/bed/wine/prefix"

  # udevd, which Wine's UDEV bus listens to, with no rules of its own.
  copy_with_libraries "$root" /bin/udevadm
  mkdir -p "$root/usr/lib/systemd"
  ln -sf /bin/udevadm "$root/usr/lib/systemd/systemd-udevd"
}

case ${1:-} in
  prefix) [ $# = 2 ] || die "usage: kernel-bed-wine.sh prefix CACHE"; make_prefix "$2" ;;
  guest) [ $# = 4 ] || die "usage: kernel-bed-wine.sh guest ROOT PREFIX EXE"; fill_guest "$2" "$3" "$4" ;;
  *) die "usage: kernel-bed-wine.sh prefix CACHE | guest ROOT PREFIX EXE" ;;
esac
