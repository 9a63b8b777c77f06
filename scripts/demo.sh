#!/usr/bin/env bash
# Builds mosaicer and runs it on the bundled samples in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target mosaicer
bin=build/src/mosaicer
out=build/demo
mkdir -p "$out"

echo
echo "== mosaicer effect examples/spiral.tlo (header and first steps)"
"$bin" effect examples/spiral.tlo > "$out/spiral.txt"
head -n 14 "$out/spiral.txt"

echo
echo "== mosaicer check examples/sample.rws"
"$bin" check examples/sample.rws

echo
echo "== mosaicer check $out/damaged.rws (one single-symbol error, one double-symbol error)"
cp examples/sample.rws "$out/damaged.rws"
poke() { printf "\\x$2" | dd of="$out/damaged.rws" bs=1 seek="$1" conv=notrunc status=none; }
poke $((160 * 24 + 12)) 01                          # one symbol of pack 160
poke $((300 * 24 + 10)) 01; poke $((300 * 24 + 11)) 01  # two symbols of pack 300
status=0
"$bin" check "$out/damaged.rws" || status=$?
echo "(exit status $status: 1 means a pack is beyond repair)"
