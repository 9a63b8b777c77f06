#!/usr/bin/env bash
# Times `mosaicer rip --all` (raw mode: raw P-W subcode de-interleaved and
# repaired here) of a 74-minute CloneCD image against `cat` of its .img and
# .sub, and prints the ratio (goal: at most 1.5). The image is ten tracks of
# random audio and subcode, made in a temporary folder (about 820 MB).
#   bench/rip_vs_cat.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build-bench/src/mosaicer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sectors=$((74 * 60 * 75))
head -c $((sectors * 2352)) /dev/urandom > "$work/disc.img"
head -c $((sectors * 96)) /dev/urandom > "$work/disc.sub"
{
  printf '[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=13\r\nSessions=1\r\n'
  entry() { printf '[Entry %d]\r\nSession=1\r\nPoint=%s\r\nADR=0x01\r\nControl=0x00\r\nPMin=%d\r\nPSec=%d\r\nPFrame=%d\r\n' "$@"; }
  msf() { local f=$(($1 + 150)); echo "$((f / 4500)) $((f / 75 % 60)) $((f % 75))"; }
  entry 0 0xa0 1 0 0
  entry 1 0xa1 10 0 0
  # shellcheck disable=SC2046
  entry 2 0xa2 $(msf "$sectors")
  for t in $(seq 1 10); do
    # shellcheck disable=SC2046
    entry $((t + 2)) "0x$(printf %02x "$t")" $(msf $(( (t - 1) * sectors / 10 )))
  done
} > "$work/disc.ccd"

ms() {
  local start end
  start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
copy() { cat "$work/disc.img" "$work/disc.sub" > "$work/copy.bin"; }
rip() { rm -f "$work"/rip_*; "$bin" rip "$work/disc.ccd" --all -o "$work/rip.cdg" --read-size 50 -q; }

cat_runs=(); rip_runs=()
for _ in 1 2 3; do
  cat_runs+=("$(ms copy)")
  rip_runs+=("$(ms rip)")
done
best() { printf '%s\n' "$@" | sort -n | head -1; }
cat_ms=$(best "${cat_runs[@]}"); rip_ms=$(best "${rip_runs[@]}")
echo "cat of the .img and .sub (74 min):  fastest ${cat_ms} ms"
echo "rip --all, raw mode:                fastest ${rip_ms} ms"
awk -v a="$rip_ms" -v b="$cat_ms" 'BEGIN { printf "ratio rip / cat:                    %.2f  (goal at most 1.5)\n", a / b }'
