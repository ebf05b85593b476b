#!/bin/busybox sh
# shellcheck shell=dash
# /init of the test VM: mounts the basics, loads the boot modules, mounts the
# host's / read-only over 9p and the result folder read-write, runs the guest
# script in a chroot into the host's files, and powers off. Kernel command
# line: tolvane.script=/host/path/of/script tolvane.out=/host/path/of/results
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
echo "vm: init at uptime $(cut -d' ' -f1 /proc/uptime)"
for m in $(cat /modules.boot); do
  insmod "/modules/$m" || echo "vm: insmod $m failed"
done
script="" out=""
for arg in $(cat /proc/cmdline); do
  case "$arg" in
    tolvane.script=*) script=${arg#tolvane.script=} ;;
    tolvane.out=*) out=${arg#tolvane.out=} ;;
  esac
done
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose host /host || echo "vm: 9p mount of / failed"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 out "/host$out" || echo "vm: 9p mount of $out failed"
mount --bind /dev /host/dev
mount -t devpts devpts /host/dev/pts 2>/dev/null
mount --bind /proc /host/proc
mount --bind /sys /host/sys
mount -t tmpfs -o mode=755 tmpfs /host/run
# The USB modules and busybox's insmod, for the guest script.
mkdir -p /host/run/vm && cp -a /modules /modules.usb /bin/busybox /host/run/vm/
echo "vm: shell ready at uptime $(cut -d' ' -f1 /proc/uptime)"
TOLVANE_VM_OUT="$out" chroot /host /bin/bash "$script" < /dev/null
rc=$?
echo "vm: guest script exit code $rc"
echo "$rc" > "/host$out/guest-rc"
sync
umount "/host$out" 2>/dev/null
echo "vm: powering off at uptime $(cut -d' ' -f1 /proc/uptime)"
poweroff -f
