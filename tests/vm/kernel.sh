#!/usr/bin/env bash
# Makes the test VM's kernel and initramfs in the folder given (created when
# missing): Debian's kernel package behind linux-image-amd64, downloaded once
# with apt-get download and extracted (never installed); the uncompressed
# kernel for a faster boot; a busybox initramfs with init.sh as /init and the
# modules the guest needs. Reuses the kernel already there.
#
#   kernel.sh WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1
mkdir -p "$work"
cd "$work"

busybox_bin=$(command -v busybox) || { echo "kernel.sh: busybox is missing (busybox-static)" >&2; exit 1; }
file -L "$busybox_bin" | grep -q 'statically linked' || {
  echo "kernel.sh: $busybox_bin is not static; install busybox-static" >&2; exit 1; }

if [ ! -f kernel/.done ]; then
  rm -rf kernel debs && mkdir -p kernel debs
  kernel_package() { apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/{print $2; exit}'; }
  pkg=$(kernel_package)
  [ -n "$pkg" ] || { apt-get update -qq && pkg=$(kernel_package); }
  [ -n "$pkg" ] || { echo "kernel.sh: no kernel package behind linux-image-amd64 (apt-get update?)" >&2; exit 1; }
  (cd debs && apt-get download "$pkg")
  dpkg-deb -x debs/"$pkg"_*.deb kernel
  depmod -b kernel "$(ls kernel/lib/modules | head -1)"
  rm -rf debs
  touch kernel/.done
fi
kver=$(ls kernel/lib/modules | head -1)
cp -f kernel/boot/vmlinuz-"$kver" vmlinuz
# Under software emulation, unpacking the xz-packed bzImage costs seconds; the
# uncompressed kernel boots through its PVH entry instead. boot.sh falls back
# to vmlinuz when this is missing.
if [ ! -f vmlinux ]; then
  offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' vmlinuz | head -1 | cut -d: -f1 || true)
  # xz stops after its stream, so tail may end on SIGPIPE.
  if [ -n "$offset" ] && { tail -c +$((offset + 1)) vmlinuz || true; } | xz -dc --single-stream > vmlinux.tmp 2>/dev/null; then
    mv vmlinux.tmp vmlinux
  else
    rm -f vmlinux.tmp
    echo "kernel.sh: could not unpack vmlinux; the bzImage boots instead" >&2
  fi
fi

# Loaded at boot: virtio and 9p for the host's files, uhid and hid-generic.
# Loaded by the guest for the USB chain: dummy_hcd, the HID gadget function,
# usbhid.
boot_modules="virtio_pci 9pnet_virtio 9p uhid hid-generic"
usb_modules="dummy_hcd usb_f_hid usbhid"
rm -rf initramfs && mkdir -p initramfs/{bin,dev,proc,sys,host,modules}
cp "$busybox_bin" initramfs/bin/busybox
cp "$here/init.sh" initramfs/init && chmod 755 initramfs/init
list_modules() {
  for m in "$@"; do
    modprobe -d "$work/kernel" -S "$kver" --show-depends "$m" | awk '$1=="insmod"{print $2}'
  done
}
list_modules $boot_modules | awk '!seen[$0]++' > boot.list
list_modules $usb_modules | awk '!seen[$0]++' | grep -vxFf boot.list > usb.list || true
: > initramfs/modules.boot
: > initramfs/modules.usb
while read -r ko; do cp "$ko" initramfs/modules/; basename "$ko" >> initramfs/modules.boot; done < boot.list
while read -r ko; do cp "$ko" initramfs/modules/; basename "$ko" >> initramfs/modules.usb; done < usb.list
rm -f boot.list usb.list
(cd initramfs && find . | cpio -o -H newc --quiet | gzip -1) > initramfs.cpio.gz
echo "kernel $kver, initramfs $(stat -c %s initramfs.cpio.gz) bytes"
