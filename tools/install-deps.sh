#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs to build and test, when missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-charts-dev libpulse-dev libudev-dev libgtest-dev libgmock-dev libgl-dev libcli11-dev nlohmann-json3-dev)
# The Debian package: shlibdeps (dpkg-dev, file) and its checks.
packages+=(dpkg-dev file lintian desktop-file-utils appstream)
# The real-kernel test (tests/vm): QEMU, a static busybox and the kernel-module
# tools for its initramfs, and the udev daemon it runs in the guest.
packages+=(qemu-system-x86 busybox-static udev kmod cpio xz-utils file)
# The screenshots under a real X server (tools/screenshots.sh).
packages+=(xvfb openbox x11-utils)
# The Windows cross build and its tests under Wine (tools/test-windows.sh);
# googletest is the source package, built there with the cross compiler;
# python3 reads the JSON tolvanectl prints; zip and unzip pack and unpack the
# Windows distribution (tools/windows-dist.sh); xwd and netpbm photograph
# tolvane-sim under Wine.
packages+=(mingw-w64 wine wine64 googletest python3 zip unzip x11-apps netpbm)
# The Ansible module's playbook test (tools/test-ansible.sh).
packages+=(ansible-core)
# The lint stage (tools/lint.sh).
packages+=(clang-format shellcheck python3-flake8)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
