#!/usr/bin/env bash
# Times `mosaicer render` of the last frame of a ten-minute subcode stream
# (45 000 sectors of tile, colour and scroll packs) against ffmpeg's CD+G
# decoder on the same stream (`ffmpeg -f cdg -i STREAM -f null -`) and prints
# the ratio (goal: at most 0.5). Each side runs five times, alternating;
# the fastest and the median runs are compared. Without ffmpeg it says so
# and stops.
#   bench/render_vs_ffmpeg.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/src/mosaicer}
if ! command -v ffmpeg >/dev/null; then
  echo "ffmpeg not found: nothing to compare with"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sectors=45000
bytes_per_sector=96

# The bundled picture as a pack stream: colour table, screen clear, 768 tiles.
"$bin" rws examples/sunset.bmp -o "$work/picture.rws" --blank 0 -q

# One sector of four wrap-around scrolls (right, down, left, up): the screen
# moves and comes back, so every repeat redraws without drifting away.
scroll() {  # instruction 24 (ScrollCopy), Data[1] horizontal, Data[2] vertical
  printf '\x09\x18\x00\x00\x00'"$1""$2"'\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
}
{ scroll '\x12' '\x00'; scroll '\x00' '\x13'; scroll '\x22' '\x00'; scroll '\x00' '\x20'; } \
  > "$work/scroll.rws"
for _ in $(seq 200); do cat "$work/scroll.rws"; done > "$work/scrolls.rws"

# Picture, then 200 sectors of scrolls, over and over up to ten minutes.
want=$((sectors * bytes_per_sector))
: > "$work/stream.rws"
while [ "$(stat -c %s "$work/stream.rws")" -lt "$want" ]; do
  cat "$work/picture.rws" "$work/scrolls.rws" >> "$work/stream.rws"
done
truncate -s "$want" "$work/stream.rws"

ms() {  # milliseconds one run of "$@" takes
  local start end
  start=$(date +%s%N); "$@" >/dev/null 2>&1; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
render_runs=(); ffmpeg_runs=()
for _ in 1 2 3 4 5; do
  render_runs+=("$(ms "$bin" render "$work/stream.rws" -o "$work/last.bmp" --force -q)")
  ffmpeg_runs+=("$(ms ffmpeg -nostdin -v error -f cdg -i "$work/stream.rws" -f null -)")
done
sorted() { printf '%s\n' "$@" | sort -n; }
render_ms=$(sorted "${render_runs[@]}" | head -1); render_median=$(sorted "${render_runs[@]}" | sed -n 3p)
ffmpeg_ms=$(sorted "${ffmpeg_runs[@]}" | head -1); ffmpeg_median=$(sorted "${ffmpeg_runs[@]}" | sed -n 3p)
echo "stream: $sectors sectors ($(stat -c %s "$work/stream.rws") bytes)"
echo "mosaicer render (last frame): fastest ${render_ms} ms, median ${render_median} ms"
echo "ffmpeg -f cdg ... -f null -:  fastest ${ffmpeg_ms} ms, median ${ffmpeg_median} ms"
awk -v a="$render_ms" -v b="$ffmpeg_ms" -v c="$render_median" -v d="$ffmpeg_median" 'BEGIN {
  printf "ratio render / ffmpeg:        fastest %.3f, median %.3f  (goal at most 0.5)\n", a / (b > 0 ? b : 1), c / (d > 0 ? d : 1) }'
