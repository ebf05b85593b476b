#!/usr/bin/env bash
# Installs what is missing, builds everything from nothing and runs every test.
# Every tree is built with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# The Qt-free layers under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_WERROR=ON -DTOLVANE_GUI=OFF \
  -DTOLVANE_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# The template file reader under libFuzzer (clang, ASan and UBSan) for 60 seconds.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_WERROR=ON \
  -DTOLVANE_GUI=OFF -DTOLVANE_SANITIZE=ON -DTOLVANE_FUZZ=ON
cmake --build build-fuzz -j "$jobs" --target template_file_fuzz
ctest --test-dir build-fuzz -R template_file_fuzz --output-on-failure

# Everything, the Qt layers and both programs included.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# The optimised tree (a warning only -O2 raises fails here) and the Debian
# package made from it, checked.
tools/build-package.sh build-release -DTOLVANE_WERROR=ON
tools/check-package.sh build-release/tolvane_*.deb

# The hidraw backend, the device library and tolvane against a real Linux
# kernel in a VM, with sensors emulated through uhid.
tests/vm/run.sh build

# How long the windows go without answering during the sensor's operations: a
# table of measures and targets, on the real clock, from the optimised tree; it
# does not fail the run.
build-release/tests/bench/responsiveness_bench || echo "responsiveness benchmark did not finish"
# tolvanectl show on the real clock against one full read's waits; list reads no block.
build-release/tests/cli/cli_benchmark || echo "tolvanectl benchmark did not finish"

# Screenshots under a real X server with a window manager, at 1280x800 and 1920x1080.
tools/screenshots.sh

# Everything cross-built for Windows against Qt for mingw-w64, the Windows zip
# started from a fresh Wine prefix, and the test programs run under Wine.
tools/test-windows.sh
