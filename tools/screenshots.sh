#!/usr/bin/env bash
# Takes the screenshots of the program under a real X server with a window
# manager (Xvfb and openbox), at 1280x800 and 1920x1080, into
# build/screenshots/<width>x<height>/. Needs a built build/ (./test.sh or
# ./run.sh) and the packages xvfb, openbox and x11-apps.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=build/tests/app/app_tests
[ -x "$tests" ] || { echo "Build first: $tests is missing" >&2; exit 1; }

# A display number nobody uses yet.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done

status=0
for size in 1280x800 1920x1080; do
  Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
  DISPLAY=":$display" openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  # The sheet's pictures; the Range window's come from the offscreen run.
  if ! DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$tests" ScreenshotTest everyPageWithASensor withoutASensor \
    withASensorThisUserMayNotOpen virtualSensorsBesideTheSheet; then status=1; fi
  kill "$wm" "$xvfb"
  wait "$wm" "$xvfb" 2>/dev/null || true
done
echo "Screenshots in build/screenshots/1280x800 and build/screenshots/1920x1080"
exit "$status"
