#!/usr/bin/env bash
# Cross-builds the Qt-free layers, the Windows backend, tolvanectl and the
# test programs for 64-bit Windows with mingw-w64 (-Werror), then runs the
# test programs and tolvanectl under Wine. Wine has no sensor, so the Windows
# backend is proven on the system's own HID.DLL and SETUPAPI.DLL with nothing
# attached.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS=0
jobs=$(nproc)
build=build-windows
googletest=build-windows-googletest
headers=build-windows-headers

# GoogleTest from Debian's source package, built once with the cross compiler.
if [ ! -f "$googletest/prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$googletest/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$PWD/$googletest/prefix"
  cmake --build "$googletest/build" -j "$jobs"
  cmake --install "$googletest/build" >/dev/null
fi

# CLI11 and nlohmann/json are headers only: Debian's copies, seen through a
# prefix of their own so that the cross build never takes the host's other
# headers from /usr/include.
mkdir -p "$headers/include" "$headers/share/cmake"
ln -sfn /usr/include/CLI "$headers/include/CLI"
ln -sfn /usr/include/nlohmann "$headers/include/nlohmann"
cp -r /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$headers/share/cmake/"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_GUI=OFF -DTOLVANE_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$PWD/$googletest/prefix;$PWD/$headers"
cmake --build "$build" -j "$jobs"
echo "Windows build: ${SECONDS}s"

# A scratch Wine prefix with no display and no installer dialogs, and a
# scratch folder; the prefix's server is stopped and both are removed however
# the run ends.
WINEPREFIX=$(mktemp -d /tmp/tolvane-wine.XXXXXX)
scratch=$(mktemp -d /tmp/tolvane-windows-files.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$scratch"' EXIT
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

# tolvanectl on virtual sensors, and on the Windows backend, where Wine has no
# sensor: "no sensor connected" and exit code 3.
tolvanectl="$build/cli/tolvanectl.exe"
# Runs tolvanectl under Wine: its exit code in $status, its output without the
# CR of Windows line ends in $out and $err.
run_tolvanectl() {
  status=0
  timeout 120 wine "$tolvanectl" "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  out=$(tr -d '\r' <"$scratch/out")
  err=$(tr -d '\r' <"$scratch/err")
}
check() {
  local what=$1
  shift
  if "$@"; then
    echo "PASS tolvanectl $what under Wine"
  else
    echo "FAIL tolvanectl $what under Wine: exit $status, output: $out, errors: $err"
    failed=1
  fi
}
saved=$(winepath -w "$scratch/saved.txt")

run_tolvanectl --sim --sim-instant list
check "--sim list" test "$status" -eq 0 -a "$out" = "1  sim1  fff0:0001  firmware 4.05  LUID 1"
run_tolvanectl --sim --sim-instant set ping-rate=500 min-distance=20
check "--sim set" test "$status" -eq 0 -a "$out" = "$(printf 'ping-rate=500\nmin-distance=20')"
run_tolvanectl --sim --sim-instant show --json
check "--sim show --json" python3 -c \
  'import json, sys; assert json.loads(sys.argv[1])["sensor"]["firmware"] == "4.05"' "$out"
run_tolvanectl --sim --sim-instant save "$saved"
check "--sim save" test "$status" -eq 0 -a \
  "$(head -n 1 "$scratch/saved.txt")" = "/--- Sonar Configuration Template File ---"
run_tolvanectl --sim --sim-instant load "$saved"
check "--sim load" test "$status" -eq 0 -a "$out" = "sensor 1 (sim1): already up to date"
run_tolvanectl --sim --sim-instant --sim-sensors 0 list
check "--sim list without sensors" test "$status" -eq 3 -a "$err" = "tolvanectl: no sensor connected"
run_tolvanectl list
check "list on the Windows backend" \
  test "$status" -eq 3 -a -z "$out" -a "$err" = "tolvanectl: no sensor connected"

# One sensor's mutex between two processes: one holds it, the other waits and
# gives up at its limit; once the holder is killed the mutex is taken at once.
mutex_check="$build/tests/platform/sensor_mutex_check.exe"
mutex_path='\\?\HID#Vid_fff0&Pid_0001#wine-mutex-check'
timeout 120 wine "$mutex_check" hold "$mutex_path" 60 >"$scratch/holder" 2>&1 &
holder=$!
for _ in $(seq 150); do grep -q held "$scratch/holder" && break; sleep 0.2; done
status=0
timeout 60 wine "$mutex_check" wait "$mutex_path" 1000 >"$scratch/waiter" 2>&1 || status=$?
if [ "$status" -eq 4 ] && grep -q "still in use" "$scratch/waiter"; then
  echo "PASS sensor mutex: a second process waits and gives up while the first holds it"
else
  echo "FAIL sensor mutex: the second process, exit $status: $(cat "$scratch/waiter")"
  failed=1
fi
pkill -KILL -f "sensor_mutex_check.exe hold" || true
wait "$holder" 2>/dev/null || true
status=0
timeout 60 wine "$mutex_check" wait "$mutex_path" 5000 >"$scratch/waiter" 2>&1 || status=$?
if [ "$status" -eq 0 ]; then
  echo "PASS sensor mutex: free once its holder was killed ($(tr -d '\r' <"$scratch/waiter"))"
else
  echo "FAIL sensor mutex: still held after its holder was killed: $(cat "$scratch/waiter")"
  failed=1
fi

echo "Windows stage: ${SECONDS}s"
exit "$failed"
