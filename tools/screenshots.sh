#!/usr/bin/env bash
# Takes the screenshots of the program under a real X server with a window
# manager (Xvfb and openbox): at 1280x800 and 1920x1080 at scale 1, and at
# 2560x1600 at scale 2, each in the light colour scheme, and the smallest and
# the largest also in a dark one; into TREE/screenshots/<width>x<height>
# [-dark][-scale2]/. Usage: tools/screenshots.sh [TREE]; TREE is a built tree
# (build unless given: ./run.sh builds it). Needs the packages xvfb, openbox
# and x11-utils.
set -euo pipefail
cd "$(dirname "$0")/.."

tree=${1:-build}
tests=$tree/tests/app/app_tests
[ -x "$tests" ] || { echo "Build first: $tests is missing" >&2; exit 1; }

# A display number nobody uses yet.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done

status=0
# size, scale factor, colour scheme
variants=("1280x800 1 light" "1280x800 1 dark" "1920x1080 1 light" "2560x1600 2 light" "2560x1600 2 dark")
for variant in "${variants[@]}"; do
  read -r size scale scheme <<<"$variant"
  Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
  DISPLAY=":$display" openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  # The sheet's pictures; the Range window's come from the offscreen run.
  if ! DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" TOLVANE_SCREENSHOT_SCHEME="$scheme" \
    "$tests" ScreenshotTest everyPageWithASensor withoutASensor withASensorThisUserMayNotOpen \
    virtualSensorsBesideTheSheet; then status=1; fi
  kill "$wm" "$xvfb"
  wait "$wm" "$xvfb" 2>/dev/null || true
done
echo "Screenshots in the folders of $tree/screenshots/"
exit "$status"
