#!/usr/bin/env bash
# Times `mosaicer create` from songs that need converting against sox doing
# the same conversion to a CD-format WAV, and prints the ratios:
#   a five-minute FLAC        vs  sox song.flac song.wav          (goal at most 1.2)
#   a five-minute 48 kHz WAV  vs  sox in.wav -r 44100 out.wav     (goal at most 1.0)
# Each side runs five times, alternating; the fastest and the median runs are
# compared (the page cache's write-back makes single runs noisy).
#   bench/create_vs_sox.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/src/mosaicer}
for tool in sox convert; do
  command -v "$tool" >/dev/null || { echo "create_vs_sox: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Five minutes of something like music: a chord that moves, with some noise,
# so FLAC has real work to do.
sox -n -r 44100 -c 2 -b 16 "$work/song.flac" synth 300 sine 220-880 sine 330-660 pinknoise \
  vol 0.3 2>/dev/null
sox -n -r 48000 -c 2 -b 16 "$work/song48.wav" synth 300 sine 220-880 sine 330-660 pinknoise \
  vol 0.3 2>/dev/null
# A 1024 x 768 picture, as a user's photo would be.
convert -size 1024x768 plasma:fractal -seed 7 "$work/picture.png"

ms() {  # milliseconds one run of "$@" takes
  local start end
  start=$(date +%s%N); "$@" >/dev/null 2>&1; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
sorted() { printf '%s\n' "$@" | sort -n; }

compare() {  # label goal song sox-args...
  local label=$1 goal=$2 song=$3; shift 3
  local sox_runs=() create_runs=()
  for _ in 1 2 3 4 5; do
    sox_runs+=("$(ms sox "$@")")
    create_runs+=("$(ms "$bin" create "$work/picture.png" "$song" -o "$work/out.cdg" --force -q)")
  done
  local s_fast s_med c_fast c_med
  s_fast=$(sorted "${sox_runs[@]}" | head -1); s_med=$(sorted "${sox_runs[@]}" | sed -n 3p)
  c_fast=$(sorted "${create_runs[@]}" | head -1); c_med=$(sorted "${create_runs[@]}" | sed -n 3p)
  echo "$label"
  echo "  sox:     fastest ${s_fast} ms, median ${s_med} ms"
  echo "  create:  fastest ${c_fast} ms, median ${c_med} ms (picture included)"
  awk -v a="$c_fast" -v b="$s_fast" -v c="$c_med" -v d="$s_med" -v g="$goal" 'BEGIN {
    printf "  ratio create / sox: fastest %.2f, median %.2f  (goal at most %s)\n",
      a / (b > 0 ? b : 1), c / (d > 0 ? d : 1), g }'
}

"$bin" create "$work/picture.png" "$work/song.flac" -o "$work/out.cdg" --force -q ||
  { echo "create_vs_sox: $bin cannot make a CDG file from a FLAC song" >&2; exit 1; }
compare "5-minute FLAC" 1.2 "$work/song.flac" "$work/song.flac" "$work/sox.wav"
compare "5-minute 48 kHz WAV" 1.0 "$work/song48.wav" "$work/song48.wav" -r 44100 "$work/sox48.wav"
