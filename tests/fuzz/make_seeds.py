#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets that read files whose
form the samples show (tests/fuzz/corpus/<target>/). Run from the repository
root; the seeds are committed, so this is needed only to make them again."""
import os
import struct

root = "tests/fuzz/corpus"


def seed(target, name, data):
    os.makedirs(f"{root}/{target}", exist_ok=True)
    with open(f"{root}/{target}/{name}", "wb") as out:
        out.write(data if isinstance(data, bytes) else data.encode())


def bmp(width, height, bits):
    colours = 1 << bits if bits <= 8 else 0
    stride = (width * bits + 31) // 32 * 4
    pixels = bytes((x * 7 + y * 3) & 0xFF for y in range(height) for x in range(stride))
    offset = 14 + 40 + 4 * colours
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       colours, 0)
    palette = b"".join(bytes([i * 16 % 256, i * 32 % 256, i * 64 % 256, 0]) for i in range(colours))
    return head + info + palette + pixels


seed("fuzz_bmp", "4bit.bmp", bmp(6, 3, 4))
seed("fuzz_bmp", "24bit.bmp", bmp(5, 2, 24))
seed("fuzz_bmp", "8bit-top-down.bmp", bmp(3, 3, 8)[:22] + struct.pack("<i", -3) + bmp(3, 3, 8)[26:])

wave = (b"RIFF" + struct.pack("<I", 36 + 8) + b"WAVEfmt " +
        struct.pack("<IHHIIHH", 16, 1, 2, 44100, 176400, 4, 16) + b"data" + struct.pack("<I", 8) +
        bytes(8))
seed("fuzz_wave", "cd.wav", wave)
seed("fuzz_wave", "list-chunk.wav", wave[:12] + b"LIST" + struct.pack("<I", 3) + b"abc\0" + wave[12:])

seed("fuzz_pal", "ramp.pal", struct.pack("<HH", 0x300, 16) +
     b"".join(bytes([i * 16, i * 8, 255 - i * 16, 1]) for i in range(16)))

seed("fuzz_ini", "settings.ini", "[Main]\r\nLeft=10\r\nTop = 20\r\n; a comment\r\n[Other]\r\nKey=a=b\r\n")

with open("examples/spiral.tlo", "rb") as f:
    spiral = f.read()
seed("fuzz_tlo", "spiral.tlo", spiral)
seed("fuzz_effect_grid", "spiral.tlo", spiral)
seed("fuzz_tlo", "short.tlo", "[Info]\r\nTloVersion=100\r\nNumTiles=2\r\n[0]\r\nCol=1\r\nRow=1\r\n"
     "[1]\r\nCol=48\r\nRow=16\r\n")

with open("tests/data/every_instruction.rws", "rb") as f:
    packs = f.read()
seed("fuzz_decoder", "every-instruction-start.rws", packs[:96 * 8])
seed("fuzz_decoder", "every-instruction-scrolls.rws", packs[96 * 170:96 * 180])

ccd = ("[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=4\r\nSessions=1\r\n" +
       "".join(f"[Entry {i}]\r\nSession=1\r\nPoint={p}\r\nADR=0x01\r\nControl=0x00\r\n"
               f"PMin={m}\r\nPSec={s}\r\nPFrame={f}\r\n"
               for i, (p, m, s, f) in enumerate([("0xa0", 1, 0, 0), ("0xa1", 1, 0, 0),
                                                  ("0xa2", 0, 4, 0), ("0x01", 0, 2, 0)])))
seed("fuzz_ccd", "one-track.ccd", ccd)

# A full-TOC reply: length, first and last session, then 11-byte descriptors.
descriptors = b"".join(bytes([1, 0x10, 0, point, 0, 0, 0, 0, m, s, f])
                       for point, m, s, f in [(0xA0, 1, 0, 0), (0xA1, 2, 0, 0), (0xA2, 0, 5, 0),
                                              (1, 0, 2, 0), (2, 0, 3, 10)])
seed("fuzz_toc", "two-tracks.bin", struct.pack(">H", 2 + len(descriptors)) + b"\x01\x01" + descriptors)

for name, text in [("msf", "01:02:03"), ("size", "600x432"), ("point", "12,5"),
                   ("tracks", "1,3,2"), ("sg", "sg:0:1:0"),
                   ("argv", "--output\0out.cdg\0--force\0--at=00:00:01\0picture.bmp")]:
    seed("fuzz_cli_values", name, text)


def zipped(entries, method=0):
    """A zip archive (stored or deflated) of (name, bytes) pairs, as karaoke
    rippers write them."""
    import io
    import zipfile
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED if method == 0 else zipfile.ZIP_DEFLATED) as z:
        for name, data in entries:
            z.writestr(name, data)
    return buffer.getvalue()


def packs(sectors):
    return b"".join(bytes([0x09, 1, 0, 0, s % 16]) + bytes(19) + bytes(72) for s in range(sectors))


seed("fuzz_title_zip", "stored.zip", zipped([("t.cdg", packs(6)), ("t.wav", wave)]))
seed("fuzz_title_zip", "deflated.zip", zipped([("T.CDG", packs(3)), ("t.Wav", wave), ("x.txt", b"x")], 8))
seed("fuzz_title_zip", "no-song.zip", zipped([("a/b.cdg", packs(2))]))


def sheet_image(sectors, text):
    """A seed of fuzz_toc_image / fuzz_cue_image: d.bin of `sectors` records
    made from a short pattern, then the sheet."""
    pattern = bytes(range(0, 250, 3))
    return bytes([sectors]) + struct.pack("<H", len(pattern)) + pattern + text.encode()


seed("fuzz_toc_image", "read-cd-rw-raw", sheet_image(20, (
    "CD_DA\n\n// Track 1\nTRACK AUDIO RW_RAW\nNO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\n"
    "DATAFILE \"d.bin\" 00:00:08 // length in bytes: 19584\n\n"
    "// Track 2\nTRACK AUDIO RW_RAW\nNO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\n"
    "DATAFILE \"d.bin\" #19584 00:00:12 // length in bytes: 29376\nSTART 00:00:02\n")))
seed("fuzz_toc_image", "packed-rw", sheet_image(10, (
    "CD_DA\nCD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE \"t\" } }\n"
    "TRACK AUDIO RW\nZERO AUDIO RW 00:00:03\nDATAFILE \"d.bin\"\nSTART\nINDEX 00:00:01\n"
    "TRACK AUDIO RW\nPREGAP 00:00:01\nDATAFILE \"d.bin\" #2448 4896\n")))
seed("fuzz_toc_image", "past-the-end", sheet_image(4, "TRACK AUDIO RW_RAW\nDATAFILE \"d.bin\" #2448 00:00:04\n"))
seed("fuzz_cue_image", "two-tracks", sheet_image(30, (
    "REM GENRE Karaoke\nPERFORMER \"x\"\nFILE \"d.bin\" BINARY\n  TRACK 01 CDG\n    INDEX 01 00:00:00\n"
    "  TRACK 02 CDG\n    INDEX 00 00:00:10\n    INDEX 01 00:00:12\n    POSTGAP 00:00:02\n")))
seed("fuzz_cue_image", "motorola-pregap", sheet_image(8, (
    "FILE d.bin MOTOROLA\r\nTRACK 05 CDG\r\nPREGAP 00:00:03\r\nINDEX 01 00:00:01\r\n"
    "FILE \"d.bin\" BINARY\r\nTRACK 06 CDG\r\nINDEX 01 00:00:04\r\nINDEX 02 00:00:05\r\n")))
seed("fuzz_cue_image", "audio-track", sheet_image(4, "FILE \"d.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"))
