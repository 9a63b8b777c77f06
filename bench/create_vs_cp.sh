#!/usr/bin/env bash
# Times `mosaicer create` on a five-minute song and a 1024 x 768 picture
# against `cp` of the same WAV
# and prints the ratio (goal: at most 1.3). Each side runs seven times,
# alternating, and both the fastest and the median run are compared: the
# page cache's write-back makes single runs of either side noisy. cp copies
# inside the kernel (copy_file_range); create writes the audio from a mapping
# of the song, interleaved with the subcode, which also copies it once. `cat`
# of the same file, which copies it twice, is shown as a second reference.
#   bench/create_vs_cp.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/src/mosaicer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Five minutes of 16-bit 44.1 kHz stereo noise behind a plain 44-byte header.
bytes=$((300 * 44100 * 4))
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
{
  printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16
  printf '\x01\x00\x02\x00'; le32 44100; le32 176400; printf '\x04\x00\x10\x00'
  printf 'data'; le32 "$bytes"
  head -c "$bytes" /dev/urandom
} > "$work/song.wav"

ms() {  # milliseconds one run of "$@" takes
  local start end
  start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

# A 1024 x 768 24-bit picture, as a user's photo would be.
picture=$work/picture.bmp
python3 - "$picture" <<'PY'
import math, struct, sys
w, h = 1024, 768
row = (w * 3 + 3) & ~3
pixels = bytearray()
for y in range(h):
    line = bytearray()
    for x in range(w):
        line += bytes((x * 255 // w, y * 255 // h, int(128 + 127 * math.sin(x / 37 + y / 53))))
    pixels += line + bytes(row - w * 3)
header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
header += struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + pixels)
PY
cp_runs=(); create_runs=(); cat_runs=()
copy_through_user() { cat "$work/song.wav" > "$work/copy2.wav"; }
# Each side writes a new file: replacing an existing output makes create
# flush the new one to disk before the rename, which cp never does.
for _ in 1 2 3 4 5 6 7; do
  rm -f "$work/copy.wav" "$work/copy2.wav" "$work/song.cdg"
  cp_runs+=("$(ms cp --reflink=never "$work/song.wav" "$work/copy.wav")")
  cat_runs+=("$(ms copy_through_user)")
  create_runs+=("$(ms "$bin" create "$picture" "$work/song.wav" -o "$work/song.cdg" --force -q)")
done
sorted() { printf '%s\n' "$@" | sort -n; }
cp_ms=$(sorted "${cp_runs[@]}" | head -1); cp_median=$(sorted "${cp_runs[@]}" | sed -n 4p)
cat_ms=$(sorted "${cat_runs[@]}" | head -1); cat_median=$(sorted "${cat_runs[@]}" | sed -n 4p)
create_ms=$(sorted "${create_runs[@]}" | head -1); create_median=$(sorted "${create_runs[@]}" | sed -n 4p)
echo "cp of a 5-minute WAV:      fastest ${cp_ms} ms, median ${cp_median} ms"
echo "cat of the same WAV:       fastest ${cat_ms} ms, median ${cat_median} ms (copied through user space, as create must)"
echo "create of the same song:   fastest ${create_ms} ms, median ${create_median} ms (picture included)"
awk -v a="$create_ms" -v b="$cp_ms" -v c="$create_median" -v d="$cp_median" 'BEGIN {
  printf "ratio create / cp:          fastest %.2f, median %.2f  (goal at most 1.3)\n", a / (b > 0 ? b : 1), c / (d > 0 ? d : 1) }'
awk -v a="$create_ms" -v b="$cat_ms" -v c="$create_median" -v d="$cat_median" 'BEGIN {
  printf "ratio create / cat:         fastest %.2f, median %.2f\n", a / (b > 0 ? b : 1), c / (d > 0 ? d : 1) }'
