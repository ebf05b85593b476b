#!/usr/bin/env bash
# Cross-builds the Qt-free layers, the Windows backend and their test programs
# for 64-bit Windows with mingw-w64 (-Werror), then runs the test programs
# under Wine. Wine has no sensor, so the Windows backend is proven on the
# system's own HID.DLL and SETUPAPI.DLL with nothing attached.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS=0
jobs=$(nproc)
build=build-windows
googletest=build-windows-googletest

# GoogleTest from Debian's source package, built once with the cross compiler.
if [ ! -f "$googletest/prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$googletest/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$PWD/$googletest/prefix"
  cmake --build "$googletest/build" -j "$jobs"
  cmake --install "$googletest/build" >/dev/null
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_GUI=OFF -DTOLVANE_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$PWD/$googletest/prefix"
cmake --build "$build" -j "$jobs"
echo "Windows build: ${SECONDS}s"

# A scratch Wine prefix with no display and no installer dialogs; its
# server is stopped and the prefix removed however the run ends.
WINEPREFIX=$(mktemp -d /tmp/tolvane-wine.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
timeout 300 wineboot --init >/dev/null 2>&1
echo "Wine prefix ready: ${SECONDS}s"

failed=0
for program in platform devlib config; do
  exe="$build/tests/$program/${program}_tests.exe"
  # A program that hangs fails the stage instead of stopping it.
  if timeout 300 wine "$exe" --gtest_brief=1; then
    echo "PASS ${program}_tests.exe under Wine"
  else
    echo "FAIL ${program}_tests.exe under Wine"
    failed=1
  fi
done
echo "Windows stage: ${SECONDS}s"
exit "$failed"
