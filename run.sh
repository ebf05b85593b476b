#!/usr/bin/env bash
# Installs what is missing, builds both programs optimised in build-release/
# and starts tolvane-sim: the tool on virtual sensors, with the "Virtual
# Sensors" window beside its property sheet. Needs a desktop session (a display).
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-release -j "$(nproc)" --target tolvane tolvane-sim
exec build-release/app/tolvane-sim
