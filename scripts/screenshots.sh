#!/usr/bin/env bash
# Takes the README's pictures of the windows: the desktop application is
# walked through one session on the bundled samples on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target mosaicer_screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/mosaicer_screenshots examples docs/screenshots
