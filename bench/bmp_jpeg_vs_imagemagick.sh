#!/usr/bin/env bash
# Times `mosaicer bmp` of a 6000 x 4000 JPEG photo (decoded, filled into the
# visible area by area averaging, reduced to 16 colours with diffusion)
# against ImageMagick reducing the same photo to 16 colours with
# Floyd-Steinberg, and prints the ratio (goal: at most 0.5). Three runs each,
# alternating; the fastest runs are compared.
#   bench/bmp_jpeg_vs_imagemagick.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/src/mosaicer}
command -v convert >/dev/null || { echo "bmp_jpeg_vs_imagemagick: convert is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 6000x4000 plasma:fractal -seed 3 -quality 90 "$work/photo.jpg"

ms() {
  local start end
  start=$(date +%s%N); "$@" >/dev/null 2>&1; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
im=(); ours=(); crop=()
for _ in 1 2 3; do
  im+=("$(ms convert "$work/photo.jpg" -dither FloydSteinberg -colors 16 "$work/im.bmp")")
  ours+=("$(ms "$bin" bmp "$work/photo.jpg" -o "$work/fill.bmp" --fit fill --force -q)")
  crop+=("$(ms "$bin" bmp "$work/photo.jpg" -o "$work/crop.bmp" --force -q)")
done
fastest() { printf '%s\n' "$@" | sort -n | head -1; }
a=$(fastest "${ours[@]}"); b=$(fastest "${im[@]}"); c=$(fastest "${crop[@]}")
echo "convert -colors 16 of a 6000x4000 JPEG: fastest ${b} ms"
echo "mosaicer bmp --fit fill of the same:     fastest ${a} ms"
echo "mosaicer bmp (crop, the default):        fastest ${c} ms"
awk -v a="$a" -v b="$b" 'BEGIN { printf "ratio bmp --fit fill / convert: %.2f  (goal at most 0.5)\n", a / (b > 0 ? b : 1) }'
