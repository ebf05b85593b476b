#!/usr/bin/env bash
# Installs what is missing, builds from nothing what the chosen stages need
# and runs their tests; every tree is built with warnings as errors.
#
#   ./test.sh              every stage but quick, as CI runs it
#   ./test.sh STAGE...     only the named stages, in the order given
#   ./test.sh --list       every stage, what it does and about how long it takes
#
# Prints how long each stage took.
set -euo pipefail
cd "$(dirname "$0")"

# name|about how long on an idle 2-core machine, packages installed, from
# nothing|what it does. The full run takes about 18 minutes there.
stage_table=(
  "quick|5 min, 15 s after a change|the dev tree (Debug, GCC): every layer, program and test, run by CTest"
  "lint|5 s|clang-format, shellcheck at warning level over every script, flake8 over the Python"
  "asan|5 min|the tree under AddressSanitizer and UndefinedBehaviorSanitizer: every test"
  "fuzz|1 min|the template file reader under libFuzzer (clang) for 60 seconds"
  "tsan|3 min|every layer's tests, the sheet and sheet_stress under ThreadSanitizer (clang)"
  "package|2 min|the optimised tree with Debian's flags, the Debian package made from it, checked"
  "ansible|10 s after package|the Ansible module in a playbook on virtual sensors (optimised tree)"
  "bench|3 min|the benchmarks on the real clock: they print figures and never fail (optimised tree)"
  "screenshots|30 s after asan|the sheet photographed under Xvfb and openbox at three screen sizes (asan tree)"
  "vm|8 min|the real-kernel test: the hidraw backend and the programs in QEMU on uhid sensors (optimised tree)"
  "windows|8 min|the mingw-w64 cross build, the Windows zip, the programs and tests under Wine"
)
# The full run: quick is left out, as asan builds and runs the same tests.
full_run=(lint asan fuzz tsan package ansible bench screenshots windows vm)

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
SECONDS=0
lap() { echo "==== $1 done after ${SECONDS}s"; }

list_stages() {
  local row name time what
  for row in "${stage_table[@]}"; do
    IFS='|' read -r name time what <<<"$row"
    printf '  %-12s %-26s %s\n' "$name" "$time" "$what"
  done
}

is_stage() {
  local row
  for row in "${stage_table[@]}"; do [ "${row%%|*}" = "$1" ] && return 0; done
  return 1
}

# ---- Trees -------------------------------------------------------------------

# A tree of CMakePresets.json, configured when it is new; after that its build
# configures it again when a CMakeLists.txt changed.
configure() { [ -f "build-$1/build.ninja" ] || cmake --preset "$1"; }

# The optimised tree is configured as the Debian package is built.
build_release() {
  tools/build-package.sh --configure-only build-release -DTOLVANE_WERROR=ON &&
    cmake --build build-release -j "$jobs" "$@"
}

# ---- Stages ------------------------------------------------------------------
# A stage is called where errexit does not apply (its status is kept to print
# its time first), so its steps are chained with && and its status is the
# first failure's.

stage_quick() {
  configure dev && cmake --build --preset dev -j "$jobs" && ctest --preset dev -j "$jobs"
}

stage_lint() { tools/lint.sh; }

stage_asan() {
  configure asan && cmake --build --preset asan -j "$jobs" && ctest --preset asan -j "$jobs"
}

stage_fuzz() {
  configure fuzz && cmake --build --preset fuzz -j "$jobs" &&
    ctest --test-dir build-fuzz -R template_file_fuzz --output-on-failure
}

stage_tsan() {
  configure tsan &&
    cmake --build build-tsan -j "$jobs" --target devlib_tests cli_tests pages_tests app_tests sheet_stress &&
    tools/test-thread-sanitizer.sh build-tsan
}

stage_package() {
  tools/build-package.sh build-release -DTOLVANE_WERROR=ON && tools/check-package.sh build-release/tolvane_*.deb
}

stage_ansible() { build_release --target tolvanectl && tools/test-ansible.sh build-release; }

# Their figures against their targets; a benchmark that does not finish is
# said, and does not fail the run.
stage_bench() {
  build_release --target responsiveness_bench cli_benchmark sensor_count_bench || return
  # How long the windows go without answering during the sensor's operations.
  build-release/tests/bench/responsiveness_bench || echo "responsiveness benchmark did not finish"
  # tolvanectl show against one full read's waits; list reads no block.
  build-release/tests/cli/cli_benchmark || echo "tolvanectl benchmark did not finish"
  # list, show --all, load --all and apply --check --all over 1 to 64 sensors.
  build-release/tests/bench/sensor_count_bench || echo "sensor-count benchmark did not finish"
}

stage_screenshots() {
  configure asan && cmake --build build-asan -j "$jobs" --target app_tests && tools/screenshots.sh build-asan
}

# The programs the real-kernel test runs; the package stage builds the others.
build_vm_programs() { build_release --target tolvane tolvanectl vm_uhid_sensor vm_hidraw_check; }
stage_vm() { build_vm_programs && tests/vm/run.sh build-release; }

stage_windows() { tools/test-windows.sh; }

run_stage() {
  local status=0
  "stage_$1" || status=$?
  lap "$1"
  return "$status"
}

# ---- The full run ------------------------------------------------------------

# The real-kernel test (one processor) and the Windows cross build (at the
# lowest priority) run beside the stages after the package; the stages beside
# them run to their end whatever happens, so that both results are always
# waited for and shown.
full() {
  local failed=0 windows_built=0
  run_stage lint
  run_stage asan
  run_stage fuzz
  run_stage tsan
  run_stage package
  build_vm_programs
  tests/vm/run.sh build-release >build-release/vm-test.log 2>&1 &
  local vm_test=$!
  nice -n 19 tools/test-windows.sh --build-only >build-release/windows-build.log 2>&1 &
  local windows_build=$!
  run_stage ansible || failed=1
  run_stage bench || failed=1
  run_stage screenshots || failed=1
  wait "$windows_build" || windows_built=$?
  tail -n 5 build-release/windows-build.log
  if [ "$windows_built" -eq 0 ]; then
    run_stage windows || failed=1
  else
    cat build-release/windows-build.log
    failed=1
  fi
  wait "$vm_test" || failed=1
  cat build-release/vm-test.log
  lap "vm"
  return "$failed"
}

# ---- Main --------------------------------------------------------------------

if [ "${1:-}" = --list ] || [ "${1:-}" = --help ]; then
  echo "usage: ./test.sh [STAGE...]   (no stage: the full run, as CI runs it: ${full_run[*]})"
  list_stages
  exit 0
fi
for stage in "$@"; do
  is_stage "$stage" || { echo "test.sh: no stage named '$stage'; these are:" >&2; list_stages >&2; exit 2; }
done

tools/install-deps.sh
lap "packages"
if (($# == 0)); then
  full
else
  for stage in "$@"; do run_stage "$stage"; done
fi
