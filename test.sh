#!/usr/bin/env bash
# Installs what is missing, builds everything from nothing and runs every test.
# Every tree is built with warnings as errors. Prints how long each stage took.
set -euo pipefail
cd "$(dirname "$0")"

SECONDS=0
lap() { echo "==== $1 done after ${SECONDS}s"; }

tools/install-deps.sh
lap "packages"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# Every layer, the three programs and every test under AddressSanitizer and
# UndefinedBehaviorSanitizer; line tables only (-g1) as debug information,
# enough for the sanitizers' reports and quicker to build.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTOLVANE_WERROR=ON \
  -DTOLVANE_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
lap "sanitizer tree"

# The template file reader under libFuzzer (clang, ASan and UBSan) for 60 seconds.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_WERROR=ON \
  -DTOLVANE_GUI=OFF -DTOLVANE_SANITIZE=ON -DTOLVANE_FUZZ=ON
cmake --build build-fuzz -j "$jobs" --target template_file_fuzz
ctest --test-dir build-fuzz -R template_file_fuzz --output-on-failure
lap "fuzz"

# Every layer's tests under ThreadSanitizer (clang): the device library's runs
# across many sensors at once, tolvanectl's commands on all of them, and the
# pages and the sheet, where sensor threads meet the GUI thread; a race fails
# the run.
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DTOLVANE_WERROR=ON -DTOLVANE_SANITIZE_THREAD=ON
cmake --build build-tsan -j "$jobs" --target devlib_tests cli_tests pages_tests app_tests sheet_stress
tools/test-thread-sanitizer.sh build-tsan
lap "thread sanitizer"

# The optimised tree (a warning only -O2 raises fails here) and the Debian
# package made from it, checked.
tools/build-package.sh build-release -DTOLVANE_WERROR=ON
tools/check-package.sh build-release/tolvane_*.deb
lap "optimised tree and package"

# The hidraw backend, the device library and the programs against a real
# Linux kernel in a VM (one virtual CPU), with sensors emulated through uhid;
# it runs beside the stages below and its result is waited for at the end.
tests/vm/run.sh build-release >build-release/vm-test.log 2>&1 &
vm_test=$!

# The Windows cross build also runs beside them, at the lowest priority, so
# that it takes only what the VM test and the real-clock benchmarks leave.
nice -n 19 tools/test-windows.sh --build-only >build-release/windows-build.log 2>&1 &
windows_build=$!

# The stages beside the VM test run to their end whatever happens, so that
# the VM test's result is always waited for and shown.
failed=0
# The Ansible module in a playbook on virtual sensors that keep their memory.
tools/test-ansible.sh build-release || failed=1
lap "Ansible module"

# On the real clock, from the optimised tree; they print their figures
# against their targets and never fail the run. Beside the VM test they have
# the other processor.
# How long the windows go without answering during the sensor's operations.
build-release/tests/bench/responsiveness_bench || echo "responsiveness benchmark did not finish"
# tolvanectl show against one full read's waits; list reads no block.
build-release/tests/cli/cli_benchmark || echo "tolvanectl benchmark did not finish"
# list, show --all, load --all and apply --check --all over 1 to 64 sensors.
build-release/tests/bench/sensor_count_bench || echo "sensor-count benchmark did not finish"
lap "benchmarks"

# Screenshots under a real X server with a window manager.
tools/screenshots.sh build-sanitize || failed=1
lap "screenshots"

# Everything cross-built for Windows against Qt for mingw-w64, the Windows zip
# started from a fresh Wine prefix, and the test programs run under Wine.
windows_built=0
wait "$windows_build" || windows_built=$?
tail -n 5 build-release/windows-build.log
if [ "$windows_built" -eq 0 ]; then
  tools/test-windows.sh || failed=1
else
  cat build-release/windows-build.log
  failed=1
fi
lap "Windows stage"

wait "$vm_test" || failed=1
cat build-release/vm-test.log
lap "real-kernel VM test"
exit "$failed"
