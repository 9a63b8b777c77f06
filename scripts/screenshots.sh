#!/usr/bin/env bash
# Walks the desktop application through a session on the bundled samples on
# a virtual display, takes the README's pictures of its windows, and holds
# every file the windows made against the command line's.
#   scripts/screenshots.sh [WORK_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target mosaicer mosaicer_screenshots
work=${1:-$(mktemp -d)}
rm -rf "$work" && mkdir -p "$work"
# The walk drives the windows in each language, whatever the machine's
# locale: English into docs/screenshots/en, Japanese into docs/screenshots.
# The Japanese walk's files are the ones held against the command line's.
mkdir -p docs/screenshots/en "$work/en"
MOSAICER_LANG=en MOSAICER_AUDIO=null xvfb-run -a -s "-screen 0 1280x1024x24" \
  build/tools/mosaicer_screenshots examples docs/screenshots/en "$work/en"
rm -rf "$work/en"
MOSAICER_LANG=ja MOSAICER_AUDIO=null xvfb-run -a -s "-screen 0 1280x1024x24" \
  build/tools/mosaicer_screenshots examples docs/screenshots "$work"

echo
echo "== the windows' files against the command line's"
bin=build/src/mosaicer
cli=$work/cli && mkdir -p "$cli"
"$bin" create examples/sunset.bmp examples/frere-jacques.wav -o "$cli/sunset.cdg" -q
"$bin" create examples/sunset.bmp examples/frere-jacques.wav -o "$cli/spiral.cdg" -q \
  --effect examples/spiral.tlo
"$bin" render "$work/sunset.cdg" -o "$cli/render.bmp" -q
"$bin" rip "$work/disc.ccd" --all -o "$cli/ripped" -q
"$bin" divide "$work/ripped_01.cdg" -o "$cli/divided.rws" --wav "$cli/divided.wav" -q
"$bin" combine "$work/divided.rws" "$work/divided.wav" -o "$cli/combined.cdg" -q
same() { if cmp -s "$1" "$2"; then echo "identical: $1 = $2"; else echo "DIFFERENT: $1 $2"; exit 1; fi; }
same "$work/sunset.cdg" "$cli/sunset.cdg"
same "$work/spiral.cdg" "$cli/spiral.cdg"
same "$work/snapshots/sunset000.bmp" "$cli/render.bmp"
same "$work/ripped_01.cdg" "$cli/ripped_01.cdg"
same "$work/ripped_02.cdg" "$cli/ripped_02.cdg"
same "$work/divided.rws" "$cli/divided.rws"
same "$work/divided.wav" "$cli/divided.wav"
same "$work/combined.cdg" "$cli/combined.cdg"
same "$work/ripped_01.cdg" "$work/combined.cdg"
"$bin" effect "$work/Tlo/ten.tlo" -q > "$work/ten.txt"
head -n 4 "$work/ten.txt"
