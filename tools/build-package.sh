#!/usr/bin/env bash
# Builds what the Debian package holds, optimised with Debian's build flags,
# hardening included, and makes the package: TREE/tolvane_<version>_<arch>.deb.
# Usage: tools/build-package.sh [--configure-only] [TREE [CMAKE OPTION...]];
# TREE is build-release unless given. --configure-only configures the tree the
# same way and stops, for builds of a few of its targets.
set -euo pipefail
cd "$(dirname "$0")/.."

configure_only=false
[ "${1:-}" != --configure-only ] || { configure_only=true; shift; }
tree=${1:-build-release}
if (($#)); then shift; fi

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@"
! $configure_only || exit 0
cmake --build "$tree" -j "$(nproc)" --target package_contents
rm -f "$tree"/tolvane_*.deb
(cd "$tree" && cpack -G DEB)
