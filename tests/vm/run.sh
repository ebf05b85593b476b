#!/usr/bin/env bash
# The real-kernel test: boots Debian's stock kernel in QEMU, emulates sensors
# there with /dev/uhid (and one on a USB chain), and runs the hidraw backend,
# the device library and the tolvane program against them.
#
#   tests/vm/run.sh [BUILD_DIR] [--accel auto|kvm|tcg]
#
# BUILD_DIR (default build) is a finished build of the project. Needs root
# (QEMU's export of / and the chroot in the guest), the packages of
# tools/install-deps.sh, and Debian's mirror the first time (the kernel
# package is downloaded with apt-get download and kept in BUILD_DIR/vm).
# Prints "N passed, N failed" last; exit code 0 only when every check passed.
# The VM is ended after 600 s whatever happens.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=build accel=auto
while (($#)); do
  case "$1" in
    --accel) accel=$2; shift 2 ;;
    -*) sed -n '2,14p' "$0" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
build=$(cd "$build" && pwd) || exit 2
work=$build/vm
out=$work/out
start=$(date +%s)
stamp() { echo "vm test: $(($(date +%s) - start)) s  $*"; }

for program in tests/vm/vm_uhid_sensor tests/vm/vm_hidraw_check app/tolvane cli/tolvanectl; do
  [ -x "$build/$program" ] || { echo "vm test: $build/$program is missing; build the project first" >&2; exit 2; }
done
cache() { grep -E "^$1:" "$build/CMakeCache.txt" | cut -d= -f2; }

stamp "kernel and initramfs"
"$here/kernel.sh" "$work" > "$work.kernel.log" 2>&1 || {
  cat "$work.kernel.log" >&2; echo "vm test: kernel.sh failed" >&2; exit 2; }

rm -rf "$out" && mkdir -p "$out"
cat > "$out/env" <<ENV
BUILD=$build
SOURCE=$(cd "$here/../.." && pwd)
RULES=$build/packaging/70-tolvane.rules
VENDOR_A=$(cache TOLVANE_VENDOR_ID_A)
VENDOR_B=$(cache TOLVANE_VENDOR_ID_B)
PRODUCT=$(cache TOLVANE_PRODUCT_ID)
ENV
stamp "booting the VM"
"$here/boot.sh" "$work" "$out" "$here/guest.sh" "$accel" 600
rc=$?
stamp "VM ended (exit code $rc, $(cat "$out/accel" 2>/dev/null))"

passed=0 failed=0
for name in discovery scenario hotplug-kernel-events hotplug-udev scenario-no-extension-sets access-refused \
  access-granted usb; do
  [ -f "$out/$name.check" ] || { echo "FAIL $name: the check did not run"; failed=$((failed + 1)); }
done
for log in "$out"/*.check; do
  [ -f "$log" ] || continue
  grep -h '^PASS\|^FAIL' "$log"
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -1)
  if [ -z "$line" ]; then
    echo "FAIL $(basename "$log" .check): the check program gave no count (crash or time limit)"
    failed=$((failed + 1)); continue
  fi
  passed=$((passed + ${line%% passed*}))
  rest=${line#*, }; failed=$((failed + ${rest%% failed*}))
done
grep -h '^PASS\|^FAIL\|^INFO' "$out/summary" 2>/dev/null
passed=$((passed + $(grep -c '^PASS' "$out/summary" 2>/dev/null)))
failed=$((failed + $(grep -c '^FAIL' "$out/summary" 2>/dev/null)))
if [ "$rc" -ne 0 ]; then
  echo "FAIL the VM did not finish its work (exit code $rc); see $out/console.log"
  failed=$((failed + 1))
fi
echo "results: $out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
