#!/usr/bin/env bash
# Compares the decoder's frames of tests/data/every_instruction.rws with
# FFmpeg's CD+G decoder, pixel by pixel over the 288x192 inner area, at the
# golden sectors whose scroll offsets are 0 (FFmpeg moves the picture for fine
# offsets and paints the border differently, so those frames cannot match).
# Colours are compared as the 4-bit levels of the colour table.
# Needs ffmpeg; run after a build (build/src/mosaicer).
set -euo pipefail
cd "$(dirname "$0")/.."
mosaicer=${MOSAICER:-build/src/mosaicer}
data=tests/data/every_instruction.rws
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
# The golden sectors; the sixth and seventh carry fine scroll offsets.
read -r -a golden < tests/data/every_instruction.txt
for i in "${!golden[@]}"; do
  [ "$i" -eq 5 ] || [ "$i" -eq 6 ] && continue
  sectors=${golden[$i]}
  "$mosaicer" render "$data" --sector "$sectors" -o "$work/ours.bmp" -q --force
  # FFmpeg makes one frame per graphics pack and none for other packs.
  frame=$(python3 -c "
import sys
data = open('$data', 'rb').read()[:$sectors * 96]
print(sum(1 for i in range(0, len(data), 24) if data[i] & 0x3F == 9) - 1)")
  ffmpeg -y -loglevel error -f cdg -i "$data" -vf "select=eq(n\,$frame)" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 "$work/theirs.rgb"
  python3 - "$work/ours.bmp" "$work/theirs.rgb" "$sectors" <<'PY' || status=1
import struct, sys
ours, theirs, sectors = sys.argv[1], open(sys.argv[2], "rb").read(), sys.argv[3]
bmp = open(ours, "rb").read()
offset, width, height, bits = struct.unpack_from("<I", bmp, 10)[0], *struct.unpack_from("<iiHH", bmp, 18)[:2], struct.unpack_from("<H", bmp, 28)[0]
palette = [bmp[54 + 4 * i: 57 + 4 * i][::-1] for i in range(16)]
stride = ((width * bits + 31) // 32) * 4
def ours_at(x, y):
    row = bmp[offset + (height - 1 - y) * stride:]
    byte = row[x // 2]
    return palette[(byte >> 4) if x % 2 == 0 else (byte & 15)]
diff = 0
for y in range(12, 204):
    for x in range(6, 294):
        # Both expand the same 4-bit levels to 8 bits, each its own way.
        mine = bytes(c >> 4 for c in ours_at(x, y))
        other = bytes(c >> 4 for c in theirs[(y * 300 + x) * 3:(y * 300 + x) * 3 + 3])
        if mine != other:
            diff += 1
print(f"sector {sectors}: {diff} of {288 * 192} inner pixels differ")
sys.exit(1 if diff else 0)
PY
done
exit $status
