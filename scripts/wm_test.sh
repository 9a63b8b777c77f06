#!/usr/bin/env bash
# The windows under a window manager: a virtual 1024 x 768 screen with
# openbox, mouse and keys from xdotool. Checks that the display comes to the
# front and stays above the player, maximises and restores by double-click,
# answers the player's keys, and that the main window fits the screen at
# 150 %. Screenshots are kept in the folder given (default build/wm-shots).
#   scripts/wm_test.sh [SCREENSHOT_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target mosaicer_wm_test
shots=$(realpath -m "${1:-build/wm-shots}")
rm -rf "$shots" && mkdir -p "$shots"

# A free display number.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done
export DISPLAY=":${display}"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$shots/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >"$shots/openbox.log" 2>&1 &
pids+=($!)
# openbox owns the screen once it has set its supporting-window property.
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# The Japanese windows, whatever the machine's locale.
export QT_QPA_PLATFORM=xcb MOSAICER_AUDIO=null MOSAICER_LANG=ja MOSAICER_WM_SHOTS="$shots"
status=0
build/tools/mosaicer_wm_test --gtest_filter='-*MainWindowFits*' || status=1
QT_SCALE_FACTOR=1.5 build/tools/mosaicer_wm_test --gtest_filter='*MainWindowFits*' || status=1
echo "wm_test: screenshots in $shots"
exit $status
