#!/usr/bin/env bash
# Times `mosaicer video` of a three-minute title to 1280x720 at 30 frames a
# second against FFmpeg's own CD+G path to the same kind of file (its cdg
# decoder, nearest-neighbour scaling, libx264 at CRF 18, AAC) and prints the
# ratio (goal: at most 0.7).
#   bench/video_vs_ffmpeg.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/src/mosaicer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Three minutes of a quiet tone, the sample picture with the sample effect.
python3 - "$work/song.wav" <<'PY'
import math, struct, sys
rate, seconds = 44100, 180
frames = bytearray()
for i in range(rate * seconds):
    v = int(3000 * math.sin(2 * math.pi * 440 * i / rate))
    frames += struct.pack("<hh", v, v)
header = b"RIFF" + struct.pack("<I", 36 + len(frames)) + b"WAVEfmt " + struct.pack(
    "<IHHIIHH", 16, 1, 2, rate, rate * 4, 4, 16) + b"data" + struct.pack("<I", len(frames))
open(sys.argv[1], "wb").write(header + frames)
PY
"$bin" create examples/sunset.bmp "$work/song.wav" -o "$work/t.cdg" --effect examples/spiral.tlo -q
"$bin" divide "$work/t.cdg" -o "$work/t.rws" --wav "$work/t.wav" -q

ms() {  # milliseconds one run of "$@" takes
  local start end
  start=$(date +%s%N); "$@" >/dev/null 2>&1; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
ours=$(ms "$bin" video "$work/t.cdg" -o "$work/ours.mp4" -q)
theirs=$(ms ffmpeg -v error -y -f cdg -i "$work/t.rws" -i "$work/t.wav" \
  -vf scale=1280:720:flags=neighbor -r 30 -c:v libx264 -crf 18 -c:a aac "$work/theirs.mp4")
frames() { ffprobe -v error -select_streams v -show_entries stream=nb_frames -of csv=p=0 "$1"; }
our_frames=$(frames "$work/ours.mp4"); their_frames=$(frames "$work/theirs.mp4")
echo "mosaicer video:  ${ours} ms, ${our_frames} frames"
echo "ffmpeg:          ${theirs} ms, ${their_frames} frames"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio mosaicer / ffmpeg: %.2f  (goal at most 0.7)\n", a / (b > 0 ? b : 1) }'
# FFmpeg's video ends with the last pack that draws, so it may encode far
# fewer frames than the title has: the time per frame is shown as well.
awk -v a="$ours" -v b="$theirs" -v x="$our_frames" -v y="$their_frames" 'BEGIN {
  printf "ratio per frame:          %.2f\n", (a / (x > 0 ? x : 1)) / (b / (y > 0 ? y : 1)) }'
