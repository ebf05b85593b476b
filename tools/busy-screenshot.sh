#!/usr/bin/env bash
# Takes a picture of tolvane-sim during the 2 s wait of "Reset All" on a virtual
# X server with a window manager, busy cursor included (an offscreen grab has
# no cursor): build/screenshots/BusyResetAll-X11.png. Needs xvfb, openbox,
# xdotool and imagemagick; run after building.
set -euo pipefail
cd "$(dirname "$0")/.."

display=:${TOLVANE_SCREENSHOT_DISPLAY:-97}
framebuffer=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$framebuffer"; }
trap cleanup EXIT

# Xvfb's own framebuffer file holds the drawn cursor, which a screen grab leaves out.
Xvfb "$display" -screen 0 1600x900x24 -fbdir "$framebuffer" >/dev/null 2>&1 & pids+=($!)
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
DISPLAY=$display build/app/tolvane-sim >/dev/null 2>&1 & pids+=($!)
sleep 5  # start-up reads the sensor for about 3 s

sheet=$(DISPLAY=$display xdotool search --name VANTREL | head -1)
DISPLAY=$display xdotool mousemove --window "$sheet" 250 20 click 1  # the Misc. tab
sleep 0.5
DISPLAY=$display xdotool mousemove --window "$sheet" 95 55 click 1   # Reset All
DISPLAY=$display xdotool mousemove --window "$sheet" 400 150
sleep 0.8
mkdir -p build/screenshots
convert "xwd:$framebuffer/Xvfb_screen0" build/screenshots/BusyResetAll-X11.png
echo "build/screenshots/BusyResetAll-X11.png"
