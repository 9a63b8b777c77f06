#!/usr/bin/env bash
# Times `mosaicer create` on a five-minute song against `cp` of the same WAV
# and prints the ratio (goal: at most 1.3). Each side runs five times; the
# fastest run counts, so a busy moment on the machine does not.
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

best() {  # prints the fastest of five runs of "$@", in milliseconds
  local best=999999999 start end
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
    (( (end - start) / 1000000 < best )) && best=$(( (end - start) / 1000000 ))
  done
  echo "$best"
}

picture=examples/sunset.bmp
cp_ms=$(best cp --reflink=never "$work/song.wav" "$work/copy.wav")
create_ms=$(best "$bin" create "$picture" "$work/song.wav" -o "$work/song.cdg" --force -q)
echo "cp of a 5-minute WAV:      ${cp_ms} ms"
echo "create of the same song:   ${create_ms} ms (picture preparation included)"
awk -v a="$create_ms" -v b="$cp_ms" 'BEGIN { printf "ratio create / cp:          %.2f  (goal at most 1.3)\n", a / (b > 0 ? b : 1) }'
