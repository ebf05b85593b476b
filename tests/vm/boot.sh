#!/usr/bin/env bash
# Boots the test VM once and runs a guest script in it.
#
#   boot.sh WORK_DIR OUT_DIR GUEST_SCRIPT [auto|kvm|tcg] [TIMEOUT_SECONDS]
#
# WORK_DIR holds the kernel and initramfs that kernel.sh made. The VM has one
# vCPU, 1 GiB, no network, the host's / read-only over 9p and OUT_DIR
# read-write; its console is saved as OUT_DIR/console.log. The guest powers
# itself off when the script ends and leaves the script's exit code in
# OUT_DIR/guest-rc. QEMU is ended at the time limit whatever happens, and this
# script waits for it, so nothing is left running.
#
# auto: KVM when /dev/kvm opens, else TCG (software emulation). A /dev/kvm
# served only by the kvm_pvm module is passed over: a stock kernel runs about
# a hundred times slower under it than under TCG. A KVM boot that shows no
# init within KVM_BOOT_WAIT seconds (15) is stopped and TCG boots instead.
#
# Exit code: the guest script's, 3 when the VM did not finish (time limit,
# crash), 4 when something is missing.
set -uo pipefail
work=$1 out=$2 script=$3 accel=${4:-auto} timeout=${5:-300}
command -v qemu-system-x86_64 >/dev/null || { echo "boot.sh: qemu-system-x86_64 is missing" >&2; exit 4; }
[ -f "$work/initramfs.cpio.gz" ] || { echo "boot.sh: run kernel.sh first" >&2; exit 4; }
kernel=$work/vmlinux
[ -f "$kernel" ] || kernel=$work/vmlinuz
mkdir -p "$out"
out=$(cd "$out" && pwd)
script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")

kvm_usable() {
  [ -c /dev/kvm ] && (exec 9<>/dev/kvm) 2>/dev/null || return 1
  if [ -d /sys/module/kvm_pvm ] && [ ! -d /sys/module/kvm_intel ] && [ ! -d /sys/module/kvm_amd ]; then
    echo "boot.sh: /dev/kvm is kvm_pvm; using TCG" >&2
    return 1
  fi
}

boot() {  # kvm|tcg; runs the VM to its end or the time limit; sets QEMU_RC
  local mode=$1 accel_opts waited=0
  if [ "$mode" = kvm ]; then accel_opts=(-enable-kvm -cpu host); else accel_opts=(-accel tcg -cpu qemu64); fi
  rm -f "$out/guest-rc" "$out/console.log"
  echo "boot.sh: booting ($mode), time limit ${timeout}s" >&2
  timeout --kill-after=10 "$timeout" qemu-system-x86_64 "${accel_opts[@]}" -m 1024 -smp 1 \
    -nographic -nodefaults -no-user-config -no-reboot -serial "file:$out/console.log" -monitor none \
    -kernel "$kernel" -initrd "$work/initramfs.cpio.gz" \
    -append "console=ttyS0 quiet loglevel=4 panic=-1 tolvane.script=$script tolvane.out=$out" \
    -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$out,mount_tag=out,security_model=none,multidevs=remap" \
    > "$out/qemu.log" 2>&1 &
  local pid=$!
  if [ "$mode" = kvm ]; then
    while kill -0 "$pid" 2>/dev/null && ! grep -qa 'vm: init at' "$out/console.log" 2>/dev/null; do
      sleep 1; waited=$((waited + 1))
      if [ "$waited" -ge "${KVM_BOOT_WAIT:-15}" ]; then
        echo "boot.sh: no init under KVM after ${waited}s; stopping it" >&2
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
        QEMU_RC=125; return
      fi
    done
  fi
  wait "$pid"; QEMU_RC=$?
}

mode=$accel
if [ "$accel" = auto ]; then
  if kvm_usable; then mode=kvm; else mode=tcg; fi
fi
start=$(date +%s)
boot "$mode"
if [ "$QEMU_RC" = 125 ] && [ "$accel" = auto ]; then
  mv -f "$out/console.log" "$out/console-kvm.log" 2>/dev/null
  mode=tcg; boot tcg
fi
echo "$mode" > "$out/accel"
echo "boot.sh: qemu ($mode) ended with $QEMU_RC after $(($(date +%s) - start))s" >&2
if [ ! -f "$out/guest-rc" ]; then
  echo "boot.sh: the guest left no exit code (time limit or crash); see $out/console.log" >&2
  exit 3
fi
exit "$(cat "$out/guest-rc")"
