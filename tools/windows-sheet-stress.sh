#!/usr/bin/env bash
# The Windows build's sheet_stress under Wine, each run a fresh start of
# tolvane-sim's windows on an X server: the Bench plugs 16 sensors in and
# pulls them out, the same with 64, and the Range window is opened during the
# start-up read. A run that crashes, hangs or misses a step fails.
#
#   tools/windows-sheet-stress.sh BUILD_DIR RUNS
#
# Needs DISPLAY (an X server with a window manager), WINEPREFIX and WINEPATH
# (the Qt and compiler runtime DLLs) set, as tools/test-windows.sh sets them.
set -euo pipefail
build=$1
runs=$2
exe="$build/tests/app/sheet_stress.exe"
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# Under Wine the first window program started in a prefix may never get its
# windows up, and then never ends (tools/test-windows.sh lets notepad take
# that for the distribution): one run that is not counted takes it here.
timeout 60 wine "$exe" range >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true

failed=0
for case in "bench 16" "bench 64" "range"; do
  passed=0
  for run in $(seq "$runs"); do
    status=0
    # A crash under Wine leaves the process waiting on its debugger: the time
    # limit ends it.
    # shellcheck disable=SC2086
    timeout 90 wine "$exe" $case >"$out" 2>&1 || status=$?
    if [ "$status" -eq 0 ]; then
      passed=$((passed + 1))
    else
      echo "sheet_stress $case, run $run: exit $status: $(tr -d '\r' <"$out" | tail -n 3 | paste -sd'|')"
      failed=1
    fi
    wineserver -k 2>/dev/null || true
  done
  echo "sheet_stress $case: $passed of $runs fresh starts passed"
done
exit "$failed"
