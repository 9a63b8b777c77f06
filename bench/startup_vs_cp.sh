#!/usr/bin/env bash
# Start-up cost of the command line: `mosaicer --version` against
# `cp --version` (goal: at most 3 times), and what loading PortAudio with its
# ALSA and JACK libraries adds to any program, measured as an empty program
# linked with and without it. Uses hyperfine when installed, else a loop.
#   bench/startup_vs_cp.sh [path/to/mosaicer]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/src/mosaicer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

runs=300
mean_ms() {  # mean wall time of one run of "$@", in milliseconds
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 20 -r "$runs" --export-json "$work/t.json" -- "$*" >/dev/null 2>&1
    python3 -c 'import json,sys; print("%.3f" % (json.load(open(sys.argv[1]))["results"][0]["mean"] * 1e3))' "$work/t.json"
  else
    local start end
    start=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
    end=$(date +%s%N)
    awk -v n=$((end - start)) -v r=$runs 'BEGIN { printf "%.3f", n / r / 1e6 }'
  fi
}

ours=$(mean_ms "$bin" --version)
cp_ms=$(mean_ms cp --version)
printf 'mosaicer --version:  %6.3f ms\n' "$ours"
printf 'cp --version:        %6.3f ms\n' "$cp_ms"
awk -v a="$ours" -v b="$cp_ms" 'BEGIN { printf "ratio mosaicer / cp: %6.2f  (goal at most 3)\n", a / b }'

if command -v c++ >/dev/null && pkg-config --exists portaudio-2.0; then
  echo 'int main() { return 0; }' >"$work/empty.cpp"
  c++ -O2 "$work/empty.cpp" -o "$work/plain"
  # shellcheck disable=SC2046
  c++ -O2 "$work/empty.cpp" -o "$work/with_portaudio" -Wl,--no-as-needed \
    $(pkg-config --libs portaudio-2.0)
  plain=$(mean_ms "$work/plain")
  with=$(mean_ms "$work/with_portaudio")
  awk -v a="$with" -v b="$plain" 'BEGIN {
    printf "loading PortAudio:   %6.3f ms (an empty program %.3f ms, with PortAudio %.3f ms)\n", a - b, b, a }'
fi
