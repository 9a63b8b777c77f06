#!/usr/bin/env bash
# Optional comparison with ImageMagick: times
#   convert in.bmp -colors 16 -dither FloydSteinberg out.bmp
# against `mosaicer bmp` (palette generation, diffused reduction and the
# 300 x 216 picture) on the same 6000 x 4000 photo-like picture.
# Skips quietly when ImageMagick or the bmp command is not there; it is not
# a dependency of the project. Processor time is shown beside the wall clock,
# which a machine busy with other work stretches.
#   bench/image_vs_imagemagick.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v convert >/dev/null || ! convert -version 2>/dev/null | grep -q ImageMagick; then
  echo "ImageMagick's convert is not installed; nothing to compare (see bench/image_bench.cpp)."
  exit 0
fi
bin=${1:-build/src/mosaicer}
if [ ! -x "$bin" ] || ! "$bin" bmp --help >/dev/null 2>&1; then
  echo "$bin has no bmp command yet; build it first (cmake --build --preset default)."
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 6000x4000 -seed 11 plasma:fractal -type TrueColor "BMP3:$work/in.bmp"

peak_kib() {  # the largest resident size of one run of "$@", in KiB
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v n=$((end - start)) 'BEGIN { printf "%.3f", n / 1e9 }'
}
cpu_seconds() {  # user + system time of one run of "$@": what a busy machine does not inflate
  /usr/bin/time -f "%U %S" "$@" 2>&1 >/dev/null | tail -n 1 | awk '{ printf "%.3f", $1 + $2 }'
}
# The file was just written: read it once so both sides find it cached.
cat "$work/in.bmp" >/dev/null
magick=$(seconds convert "$work/in.bmp" -colors 16 -dither FloydSteinberg "BMP3:$work/magick.bmp")
ours=$(seconds "$bin" bmp "$work/in.bmp" -o "$work/ours.bmp" --force)
printf 'ImageMagick -colors 16 -dither FloydSteinberg: %6.2f s\n' "$magick"
printf 'mosaicer bmp (defaults):                       %6.2f s\n' "$ours"
awk -v a="$ours" -v b="$magick" 'BEGIN { printf "ratio mosaicer / ImageMagick:                  %6.3f  (goal at most 0.15)\n", a / b }'
if [ -x /usr/bin/time ]; then
  magick_cpu=$(cpu_seconds convert "$work/in.bmp" -colors 16 -dither FloydSteinberg "BMP3:$work/magick.bmp")
  ours_cpu=$(cpu_seconds "$bin" bmp "$work/in.bmp" -o "$work/ours.bmp" --force)
  awk -v a="$ours_cpu" -v b="$magick_cpu" 'BEGIN {
    printf "processor time: mosaicer %.2f s, ImageMagick %.2f s, ratio %.3f\n", a, b, a / (b > 0 ? b : 1) }'
fi
if [ -x /usr/bin/time ]; then
  magick_kib=$(peak_kib convert "$work/in.bmp" -colors 16 -dither FloydSteinberg "BMP3:$work/magick.bmp")
  ours_kib=$(peak_kib "$bin" bmp "$work/in.bmp" -o "$work/ours.bmp" --force)
  awk -v a="$ours_kib" -v b="$magick_kib" 'BEGIN {
    printf "peak memory: mosaicer %.0f MiB, ImageMagick %.0f MiB, ratio %.2f  (goal at most 0.2)\n", a / 1024, b / 1024, a / b }'
fi
