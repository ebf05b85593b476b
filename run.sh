#!/usr/bin/env bash
# Installs what is missing, builds both programs in build/ and starts
# tolvane-sim: the tool on virtual sensors, with the "Virtual Sensors" window
# beside its property sheet. Needs a desktop session (a display).
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$(nproc)" --target tolvane tolvane-sim
exec build/app/tolvane-sim
