#!/usr/bin/env bash
# Builds mosaicer and runs its main job on the bundled samples: the sunset
# picture and the synthesized song become examples/out/demo.cdg.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target mosaicer
bin=build/src/mosaicer
# The messages follow the user's language (MOSAICER_LANG=ja|en, else the
# locale); C.UTF-8 machines read English.
out=examples/out
mkdir -p "$out"

echo
echo "== mosaicer create examples/sunset.bmp examples/frere-jacques.wav -o $out/demo.cdg"
"$bin" create examples/sunset.bmp examples/frere-jacques.wav -o "$out/demo.cdg" --force
"$bin" rws examples/sunset.bmp -o "$out/demo.rws" --force
"$bin" bmp examples/sunset.bmp -o "$out/demo.bmp" --force
ls -l "$out"

echo
echo "== mosaicer check $out/demo.cdg"
"$bin" check "$out/demo.cdg"

echo
echo "== mosaicer effect examples/spiral.tlo (header and first steps)"
"$bin" effect examples/spiral.tlo > "$out/spiral.txt"
head -n 12 "$out/spiral.txt"

echo
echo "== the same picture painted in the spiral's order, optimised, finished by 00:08:00"
"$bin" create examples/sunset.bmp examples/frere-jacques.wav -o "$out/spiral.cdg" --force \
  --effect examples/spiral.tlo --optimize full --timing msf --limit 00:08:00
"$bin" check "$out/spiral.cdg" | head -n 2
