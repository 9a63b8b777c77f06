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

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

# Xvfb picks a display nobody uses and reports its number: guessing from the
# lock files misses servers that only hold the abstract socket (another
# container, another /tmp), and the windows would then open on that server.
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>"$shots/xvfb.log")
pids+=($!)
display=""
read -r -t 20 display <&3 || true
if [ -z "$display" ]; then
  echo "wm_test: Xvfb did not start (see $shots/xvfb.log)" >&2
  exit 1
fi
export DISPLAY=":${display}"

openbox --sm-disable >"$shots/openbox.log" 2>&1 &
openbox_pid=$!
pids+=($openbox_pid)
# openbox owns the screen once it has set its supporting-window property.
managed=no
for _ in $(seq 200); do
  if ! kill -0 "$openbox_pid" 2>/dev/null; then break; fi
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    managed=yes
    break
  fi
  sleep 0.1
done
if [ "$managed" != yes ]; then
  echo "wm_test: openbox did not take the screen $DISPLAY:" >&2
  cat "$shots/openbox.log" >&2
  exit 1
fi

# The Japanese windows, whatever the machine's locale.
export QT_QPA_PLATFORM=xcb MOSAICER_AUDIO=null MOSAICER_LANG=ja MOSAICER_WM_SHOTS="$shots"
status=0
build/tools/mosaicer_wm_test --gtest_filter='-*MainWindowFits*' || status=1
QT_SCALE_FACTOR=1.5 build/tools/mosaicer_wm_test --gtest_filter='*MainWindowFits*' || status=1
echo "wm_test: screenshots in $shots"
exit $status
