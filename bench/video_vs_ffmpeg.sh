#!/usr/bin/env bash
# Times `mosaicer video` of a three-minute title to 1280x720 at 30 frames a
# second against FFmpeg's own CD+G path to the same kind of file (its cdg
# decoder, nearest-neighbour scaling, libx264 at CRF 18, AAC) and prints the
# ratios of their median wall and CPU times over several rounds (goal: at
# most 0.7 of the wall time).
#   VIDEO_BENCH_ROUNDS=5 bench/video_vs_ffmpeg.sh [path/to/mosaicer]
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

# Both commands run in turn, several rounds in the same run, so the load of
# the machine weighs on both alike; each figure is the median over rounds.
# Wall time is what a user waits; CPU time (user + system, every thread) is
# what the work costs whatever else runs.
rounds=${VIDEO_BENCH_ROUNDS:-5}
python3 - "$rounds" "$work" "$bin" <<'PY'
import os, resource, statistics, subprocess, sys, time
rounds, work, binary = int(sys.argv[1]), sys.argv[2], sys.argv[3]
ours = [binary, "video", f"{work}/t.cdg", "-o", f"{work}/ours.mp4", "-q", "--force"]
theirs = ["ffmpeg", "-v", "error", "-y", "-f", "cdg", "-i", f"{work}/t.rws", "-i", f"{work}/t.wav",
          "-vf", "scale=1280:720:flags=neighbor", "-r", "30", "-c:v", "libx264", "-crf", "18",
          "-c:a", "aac", f"{work}/theirs.mp4"]

def run(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)

def frames(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
                          "stream=nb_frames", "-of", "csv=p=0", path],
                         check=True, capture_output=True, text=True).stdout
    return int(out.strip() or 0)

times = {"ours": [], "theirs": []}
for _ in range(rounds):
    times["ours"].append(run(ours))
    times["theirs"].append(run(theirs))
median = {k: (statistics.median(w for w, _ in v), statistics.median(c for _, c in v))
          for k, v in times.items()}
n = {"ours": frames(f"{work}/ours.mp4"), "theirs": frames(f"{work}/theirs.mp4")}
for k, name in (("ours", "mosaicer video"), ("theirs", "ffmpeg        ")):
    walls = " ".join(f"{w:.2f}" for w, _ in times[k])
    print(f"{name}: median {median[k][0]:.2f} s wall, {median[k][1]:.2f} s CPU, "
          f"{n[k]} frames  (wall per round: {walls})")
ratio = median["ours"][0] / median["theirs"][0]
print(f"ratio mosaicer / ffmpeg, wall: {ratio:.2f}  (goal at most 0.7)")
print(f"ratio mosaicer / ffmpeg, CPU:  {median['ours'][1] / median['theirs'][1]:.2f}")
# FFmpeg's video ends with the last pack that draws, so it may encode far
# fewer frames than the title has: the time per frame is shown as well.
print(f"ratio per frame, wall:         "
      f"{(median['ours'][0] / max(n['ours'], 1)) / (median['theirs'][0] / max(n['theirs'], 1)):.2f}")
PY
