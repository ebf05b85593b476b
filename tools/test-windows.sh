#!/usr/bin/env bash
# The Windows stage: cross-builds tolvane, tolvane-sim, tolvanectl and the
# test programs for 64-bit Windows with mingw-w64 (-Werror) against the Qt
# for mingw-w64 in ../shared/qt6-mingw, packs the Windows distribution, and
# under Wine: unpacks it into a fresh prefix and starts its programs there
# (tolvane-sim photographed on an X server), then runs the test programs and
# tolvanectl. Wine has no sensor, so the Windows backend is proven on the
# system's own HID.DLL and SETUPAPI.DLL with nothing attached.
#
#   tools/test-windows.sh [--build-only]
#
# --build-only stops after the build, so that the build can run beside other
# work and the rest follow on the built tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=false
[ "${1:-}" != --build-only ] || build_only=true

SECONDS=0
jobs=$(nproc)
build="build-windows"
googletest="build-windows-googletest"
headers="build-windows-headers"
qt=$PWD/../shared/qt6-mingw
triplet=x86_64-w64-mingw32
# The compiler's runtime DLLs, which the programs and the Qt DLLs share.
runtime_dlls=("/usr/lib/gcc/$triplet/12-posix" "/usr/$triplet/lib")

# Prints how long the stage has run so far, after what.
lap() { echo "$1: ${SECONDS}s"; }

# ---- Build -------------------------------------------------------------------

[ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ] || [ ! -f /work/shared/qt6-mingw/lib/cmake/Qt6/Qt6Config.cmake ] || qt=/work/shared/qt6-mingw
[ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ] || { echo "Qt for mingw-w64 is missing: $qt" >&2; exit 1; }

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

# The windows preset (CMakePresets.json) holds the tree's settings; the Qt
# found above may lie elsewhere than the preset's default.
cmake --preset windows -DCMAKE_PREFIX_PATH="$qt;$PWD/$googletest/prefix;$PWD/$headers"
# Only what this stage ships or runs (no benchmark).
cmake --build "$build" -j "$jobs" --target tolvane tolvane-sim tolvanectl \
  platform_tests devlib_tests config_tests pages_tests app_tests sensor_mutex_check sheet_stress
lap "Windows build"
! $build_only || exit 0

zip_file=$(tools/windows-dist.sh "$build" "$qt")
echo "Windows distribution: $zip_file ($(du -h "$zip_file" | cut -f1))"

# ---- Wine --------------------------------------------------------------------

# A scratch Wine prefix with no display and no installer dialogs, and a
# scratch folder; the prefix's server and the X server are stopped and both
# folders removed however the run ends. Wine hands no QT_ variable to a
# program; WINEQT_X reaches it as QT_X.
WINEPREFIX=$(mktemp -d /tmp/tolvane-wine.XXXXXX)
scratch=$(mktemp -d /tmp/tolvane-windows-files.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY WINEPATH
xvfb=
stop_all() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$scratch"
}
trap stop_all EXIT
timeout 300 wineboot --init >/dev/null 2>&1
lap "Wine prefix ready"

failed=0
# Prints PASS or FAIL for a check named $1 that passed when $2 is 0, with
# details ($3) on failure.
result() {
  if [ "$2" -eq 0 ]; then
    echo "PASS $1 under Wine"
  else
    echo "FAIL $1 under Wine${3:+: $3}"
    failed=1
  fi
}

# ---- The distribution in the fresh prefix ------------------------------------

# Unpacked where an installer would put it, run from there with nothing of
# the build's on the DLL path: what it needs, it carries.
unzip -q "$zip_file" -d "$scratch/unpacked"
installed="$WINEPREFIX/drive_c/Program Files/Tolvane"
mv "$scratch/unpacked/"* "$installed"

status=0
out=$(cd "$installed" && timeout 120 wine tolvanectl.exe --sim --sim-instant list 2>&1 | tr -d '\r') || status=$?
[ "$out" = "1  sim1  fff0:0001  firmware 4.05  LUID 1" ] || status=1
result "tolvanectl --sim list from the distribution" "$status" "exit $status, output: $out"

# The GUI programs from the distribution on an X server with a window
# manager, through Qt's windows platform plugin, each photographed once its
# windows are up and have settled: tolvane-sim reads its sensor on the real
# clock, the sheet grows by the sensor's extension set, and the Virtual
# Sensors window moves beside it.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=":$display" openbox >/dev/null 2>&1 &
mkdir -p "$build/screenshots/wine"

# True when every window title given is on the screen.
windows_up() {
  local tree title
  tree=$(xwininfo -root -tree -display ":$display" 2>/dev/null)
  for title in "$@"; do grep -q -- "$title" <<<"$tree" || return 1; done
}
# Starts PROGRAM from the distribution, waits for its window TITLES and saves
# the screen as PICTURE; the check passes when the program is still running
# then. The program is stopped afterwards.
photograph() {
  local program=$1 picture=$2 pid
  shift 2
  # Stopped with the prefix's server; the shell's word on that is not wanted.
  (cd "$installed" && DISPLAY=":$display" timeout 300 wine "$program" >/dev/null 2>&1) 2>/dev/null &
  pid=$!
  status=1
  for _ in $(seq 120); do
    if windows_up "$@"; then status=0; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  local seen
  seen=$(xwininfo -root -tree -display ":$display" 2>/dev/null | grep -o '^ *0x[0-9a-f]* "[^"]*"' | cut -d'"' -f2 | paste -sd'|')
  if [ "$status" -eq 0 ]; then
    # Under Wine a window that grew is repainted some seconds later.
    sleep 8
    rm -f "$scratch/screen-before.xwd"
    for _ in $(seq 30); do
      sleep 1
      xwd -root -silent -display ":$display" >"$scratch/screen.xwd"
      cmp -s "$scratch/screen.xwd" "$scratch/screen-before.xwd" && break
      cp "$scratch/screen.xwd" "$scratch/screen-before.xwd"
    done
    xwdtopnm <"$scratch/screen.xwd" 2>/dev/null | pnmtopng >"$picture"
    kill -0 "$pid" 2>/dev/null || status=1
  fi
  wineserver -k 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  result "$program from the distribution, windows up: $* (picture: $picture)" "$status" "window titles: $seen"
}
# In a fresh prefix the windows of the first window program never come up,
# Wine's own notepad's included: notepad takes that first start.
(DISPLAY=":$display" timeout 60 wine notepad >/dev/null 2>&1) 2>/dev/null &
sleep 5
wineserver -k 2>/dev/null || true
wait $! 2>/dev/null || true
# The Windows backend: Wine has no sensor (the sheet's words for it are
# asserted by app_tests.exe Win32ProgramTest below).
photograph tolvane.exe "$build/screenshots/wine/tolvane-no-sensor.png" 'DeviceFW 0.00'
# One virtual sensor of firmware 4.05 beside the sheet.
photograph tolvane-sim.exe "$build/screenshots/wine/tolvane-sim.png" '"Virtual Sensors"' 'DeviceFW 4.05'
lap "Distribution checked"

# ---- Test programs, on the build's DLLs --------------------------------------

dll_path="$(winepath -w "$qt/bin")"
for folder in "${runtime_dlls[@]}"; do dll_path+=";$(winepath -w "$folder")"; done
export WINEPATH=$dll_path

# tolvane-sim's windows where sensors' reads end together, a few fresh starts
# of each case on the X server (tools/windows-sheet-stress.sh RUNS by hand for more).
status=0
DISPLAY=":$display" tools/windows-sheet-stress.sh "$build" 3 || status=$?
result "sheet_stress: Bench of 16 and 64 plugged in and pulled out, Range during start-up" "$status"
kill "$xvfb" 2>/dev/null || true
wait "$xvfb" 2>/dev/null || true
xvfb=
lap "Sheet stress"

for program in platform devlib config; do
  exe="$build/tests/$program/${program}_tests.exe"
  # A program that hangs fails the stage instead of stopping it.
  status=0
  timeout 300 wine "$exe" --gtest_brief=1 || status=$?
  result "${program}_tests.exe" "$status" "exit $status"
done

# Qt Test functions that do not pass under Wine, with the reason. They run
# everywhere else the test programs run.
declare -A not_under_wine=(
  [PropertyPageTest::buttonClicksMapToOnButtonClickedForUserClicksOnly]="the test clicks the middle of the check box; with the offscreen platform's text metrics under Wine that point lies beyond the caption, where Qt's check box takes no click (any style)"
  [PropertyPageTest::radioGroupsAreExclusiveAndCanBeClearedByTheProgram]="the test clicks the middle of each radio button, which on the offscreen platform under Wine lies beyond the caption, where Qt's radio button takes no click"
  [VirtualSensorsWindowTest::placesBothWindowsOnTheScreen]="the windows come out larger under Wine than the offscreen platform's 800x600 screen holds side by side"
  [QtUiServicesTest::questionBoxButtonsAnswerAltAndALetter]="after the first row, the question box that Alt and a letter answered under Wine keeps its modal loop running until the stage's time limit"
  [ScreenshotTest::rangeWindowWithAMovingTarget]="the Range window's own timer, on the real clock, also fires in the slower run under Wine and adds a second message after the unplug"
)
for test in "${!not_under_wine[@]}"; do echo "NOT RUN under Wine: $test: ${not_under_wine[$test]}"; done

# Runs one Qt Test class of a test program, on the offscreen platform,
# without the functions named above. Qt writes the results to stdout only
# when told to, as no console is attached.
run_qt_class() {
  local exe=$1 class=$2 log=$scratch/$2.txt function
  local functions=()
  local -a env=(WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1)
  if [[ " ${!not_under_wine[*]} " == *" $class::"* ]]; then
    for function in $(env "${env[@]}" timeout 60 wine "$exe" "$class" -functions | tr -d '\r' | sed -n 's/()$//p'); do
      [ -n "${not_under_wine[$class::$function]:-}" ] || functions+=("$function")
    done
  fi
  status=0
  env "${env[@]}" timeout 300 wine "$exe" "$class" "${functions[@]}" 2>&1 | tr -d '\r' >"$log" || status=$?
  result "$(basename "$exe") $class ($(grep -m1 '^Totals' "$log" || echo 'no results'))" "$status" \
    "$(grep -E -A2 '^(FAIL|QFATAL)' "$log" | head -20)"
}
for program in pages app; do
  exe="$build/tests/$program/${program}_tests.exe"
  for class in $(sed -n 's/^TOLVANE_REGISTER_TEST(\([A-Za-z0-9_]*\))$/\1/p' tests/"$program"/*.cpp); do
    run_qt_class "$exe" "$class"
  done
done
lap "Test programs run"

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
  local outcome=0
  "$@" || outcome=1
  result "tolvanectl $what" "$outcome" "exit $status, output: $out, errors: $err"
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
run_tolvanectl --sim --sim-instant apply --json "$saved"
check "--sim apply --json" python3 -c \
  'import json, sys; assert sys.argv[2] == "0" and json.loads(sys.argv[1])["changed"] is False' "$out" "$status"
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

lap "Windows stage"
exit "$failed"
