#!/usr/bin/env python3
"""Regenerates the bundled samples: examples/sunset.bmp (a 320 x 240 24-bit
picture with smooth gradients, to show colour reduction) and
examples/frere-jacques.wav (ten seconds of a synthesized round, 16-bit
44.1 kHz stereo). Deterministic: running it again gives the same bytes."""
import math
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")


def clamp(v):
    return max(0, min(255, int(v)))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sunset(x, y, w, h):
    horizon = h * 0.62
    sun_x, sun_y, sun_r = w * 0.68, horizon - h * 0.05, h * 0.13
    if y < horizon:
        t = y / horizon
        sky = mix((40, 20, 90), (250, 120, 60), t ** 1.4)
        d = math.hypot(x - sun_x, y - sun_y)
        if d < sun_r:
            return (255, 230, 120)
        glow = max(0.0, 1 - (d - sun_r) / (w * 0.45))
        sky = mix(sky, (255, 200, 110), glow ** 2 * 0.7)
        # Two ranges of hills in front of the sky.
        far = horizon - h * (0.10 + 0.05 * math.sin(x / w * 7.0) + 0.03 * math.sin(x / w * 19.0))
        near = horizon - h * (0.04 + 0.04 * math.sin(x / w * 4.0 + 1.0))
        if y > near:
            return (30, 25, 50)
        if y > far:
            return mix((80, 50, 100), (50, 35, 80), (y - far) / max(1.0, near - far))
        return sky
    t = (y - horizon) / (h - horizon)
    sea = mix((200, 100, 70), (20, 30, 80), t ** 0.7)
    # The sun's reflection breaks into ripples.
    ripple = math.sin(y * 1.3 + math.sin(x * 0.15) * 2.0)
    if abs(x - sun_x) < sun_r * (1.2 - t) and ripple > 0.2:
        sea = mix(sea, (255, 210, 120), 0.8 - t * 0.6)
    return sea


def write_bmp(path, w, h):
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(w):
            r, g, b = sunset(x, y, w, h)
            row += bytes((clamp(b), clamp(g), clamp(r)))
        row += bytes(stride - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


NOTES = {"C4": 261.63, "D4": 293.66, "E4": 329.63, "F4": 349.23, "G4": 392.00, "A4": 440.00,
         "C3": 130.81, "G3": 196.00}
# Frere Jacques: the first three phrases; (note, beats).
TUNE = [("C4", 1), ("D4", 1), ("E4", 1), ("C4", 1)] * 2 + \
       [("E4", 1), ("F4", 1), ("G4", 2)] * 2 + \
       [("G4", 0.5), ("A4", 0.5), ("G4", 0.5), ("F4", 0.5), ("E4", 1), ("C4", 1)] * 2


def write_wav(path, seconds=10.0, rate=44100):
    beat = 0.42
    n = int(seconds * rate)
    left = [0.0] * n
    right = [0.0] * n

    def voice(start, freq, length, gain, pan, buffer_gain=1.0):
        a = int(start * rate)
        m = int(length * rate)
        for i in range(m):
            if a + i >= n:
                break
            t = i / rate
            env = min(1.0, t / 0.01) * math.exp(-3.0 * t / length)
            s = (math.sin(2 * math.pi * freq * t) + 0.3 * math.sin(4 * math.pi * freq * t)
                 + 0.1 * math.sin(6 * math.pi * freq * t)) * env * gain * buffer_gain
            left[a + i] += s * (1 - pan)
            right[a + i] += s * pan

    # The round: a second voice enters two bars later, an octave-free canon.
    for entry, pan in ((0.0, 0.35), (8 * beat, 0.65)):
        t = entry
        while t < seconds:
            for note, beats in TUNE:
                if t >= seconds:
                    break
                voice(t, NOTES[note], beats * beat * 0.95, 0.22, pan)
                t += beats * beat
    # A soft bass on every other beat.
    t = 0.0
    while t < seconds:
        voice(t, NOTES["C3"] if int(t / beat) % 4 < 2 else NOTES["G3"], beat * 1.8, 0.18, 0.5)
        t += 2 * beat
    data = bytearray()
    for i in range(n):
        data += struct.pack("<hh", int(max(-1, min(1, left[i])) * 30000),
                            int(max(-1, min(1, right[i])) * 30000))
    fmt = struct.pack("<HHIIHH", 1, 2, rate, rate * 4, 4, 16)
    riff = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + \
        b"data" + struct.pack("<I", len(data)) + bytes(data)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(riff)) + riff)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "sunset.bmp"), 320, 240)
    write_wav(os.path.join(HERE, "frere-jacques.wav"))
