#!/usr/bin/env python3
"""Writes every_instruction.rws: a CD+G stream (96 bytes a sector, four packs
each) that uses every graphics instruction: memory and border presets, both
colour tables, normal and XOR tiles, scroll preset and scroll copy in every
direction with fine offsets, and the transparent colour. The decoder's golden
frames are taken from it at the sectors listed in every_instruction.txt."""
import random
import sys

MEMORY_PRESET, BORDER_PRESET, TILE, SCROLL_PRESET, SCROLL_COPY = 1, 2, 6, 20, 24
TRANSPARENT, COLOURS_LOW, COLOURS_HIGH, TILE_XOR = 28, 30, 31, 38

rng = random.Random(20261206)
packs = []


def pack(instruction, data):
    data = list(data) + [0] * (16 - len(data))
    packs.append(bytes([0x09, instruction, 0, 0] + [d & 0x3F for d in data] + [0, 0, 0, 0]))


def colours(table, base):
    data = []
    for i in range(8):
        r, g, b = (base + 3 * i) % 16, (base + 5 * i + 7) % 16, (base + 11 * i + 2) % 16
        data += [(r << 2) | (g >> 2), ((g & 3) << 4) | b]
    pack(table, data)


def tile(instruction, row, col):
    pack(instruction, [rng.randrange(16), rng.randrange(16), row, col] +
         [rng.randrange(64) for _ in range(12)])


def scroll(instruction, fill, hcmd, hoff, vcmd, voff):
    pack(instruction, [fill, (hcmd << 4) | hoff, (vcmd << 4) | voff])


def end_sector():
    while len(packs) % 4:
        packs.append(bytes(24))


checkpoints = []


def checkpoint():
    end_sector()
    checkpoints.append(len(packs) // 4)


colours(COLOURS_LOW, 1)
colours(COLOURS_HIGH, 9)
pack(MEMORY_PRESET, [3, 0])
# The border takes the memory's colour: FFmpeg also paints the border into its
# pixel memory, where this decoder keeps only the border colour, so content
# scrolled in from the border would differ otherwise.
pack(BORDER_PRESET, [3])
checkpoint()
for row in range(18):
    for col in range(50):
        if (row * 50 + col) % 3 == 0:
            tile(TILE, row, col)
checkpoint()
for row in range(1, 17):
    for col in range(1, 49, 2):
        tile(TILE_XOR, row, col)
checkpoint()
# Coarse scrolls with offset 0 in every direction: presets fill what comes in,
# copies wrap around.
for cmd in ((1, 0), (0, 1), (1, 0), (0, 2), (0, 2)):
    scroll(SCROLL_PRESET, 5, cmd[0], 0, cmd[1], 0)
checkpoint()
for cmd in ((1, 0), (0, 1), (2, 0), (0, 2), (2, 0)):
    scroll(SCROLL_COPY, 0, cmd[0], 0, cmd[1], 0)
checkpoint()
# Fine offsets: the screen moves within the border, memory stays.
scroll(SCROLL_COPY, 0, 0, 3, 0, 7)
checkpoint()
scroll(SCROLL_PRESET, 8, 1, 5, 2, 11)
checkpoint()
scroll(SCROLL_COPY, 0, 0, 0, 0, 0)
colours(COLOURS_HIGH, 4)
pack(TRANSPARENT, list(range(16)))
for row in range(4, 8):
    for col in range(10, 20):
        tile(TILE_XOR, row, col)
checkpoint()
pack(MEMORY_PRESET, [7, 1])
pack(BORDER_PRESET, [0])
checkpoint()

folder = sys.argv[1] if len(sys.argv) > 1 else "."
with open(f"{folder}/every_instruction.rws", "wb") as out:
    out.write(b"".join(packs))
with open(f"{folder}/every_instruction.txt", "w") as out:
    out.write(" ".join(str(c) for c in checkpoints) + "\n")
