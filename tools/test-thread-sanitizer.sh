#!/usr/bin/env bash
# Every layer's tests in a ThreadSanitizer tree (test.sh builds it): the
# device library's and tolvanectl's runs across many sensors at once, the
# pages and the sheet's Qt tests, where sensor threads meet the GUI thread,
# and tolvane-sim driven where sensors' reads end together. A report fails
# the stage; tests/tsan-suppressions.txt says which of Qt's own accesses are
# left out, and why.
#
#   tools/test-thread-sanitizer.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan-suppressions.txt halt_on_error=1 second_deadlock_stack=1"
export QT_QPA_PLATFORM=offscreen

# Qt Test classes that cannot run here, with the reason.
declare -A not_under_tsan=(
  [Win32ProgramTest]="a test of the Windows backend, built for Windows only"
  [SingleSheetTest]="it starts the program as a child process; ThreadSanitizer's runtime fails its own check after Qt forks a process that already runs threads"
)
for class in "${!not_under_tsan[@]}"; do echo "NOT RUN under ThreadSanitizer: $class: ${not_under_tsan[$class]}"; done

failed=0
run() {
  local what=$1 status=0
  shift
  "$@" >"$build/tsan-run.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    echo "PASS $what"
  else
    echo "FAIL $what (exit $status)"
    grep -E -A40 'WARNING: ThreadSanitizer|^FAIL|QFATAL|Failure' "$build/tsan-run.log" | head -80 || tail -n 20 "$build/tsan-run.log"
    failed=1
  fi
}

run devlib_tests "$build/tests/devlib/devlib_tests" --gtest_brief=1
run cli_tests "$build/tests/cli/cli_tests" --gtest_brief=1
for program in pages app; do
  for class in $(sed -n 's/^TOLVANE_REGISTER_TEST(\([A-Za-z0-9_]*\))$/\1/p' tests/"$program"/*.cpp); do
    [ -z "${not_under_tsan[$class]:-}" ] || continue
    run "${program}_tests $class" "$build/tests/$program/${program}_tests" "$class"
  done
done
run "sheet_stress bench 16" "$build/tests/app/sheet_stress" bench 16
run "sheet_stress range" "$build/tests/app/sheet_stress" range
exit "$failed"
