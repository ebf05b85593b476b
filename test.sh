#!/usr/bin/env bash
# Installs what is missing, builds everything from nothing and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# The Qt-free layers once more under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_GUI=OFF -DTOLVANE_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
