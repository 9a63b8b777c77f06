#!/usr/bin/env bash
# Times a raw rip of a clean 74-minute track with re-reads ready (--retries
# 5) against the plain raw rip (--retries 0) in the same run, and the cost of
# one pack in every 1000 sectors that only a re-read repairs. Goal: the
# clean ratio at most 1.05. The disc is held in memory (bench/secure_rip_bench.cpp).
#   bench/secure_rip.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target mosaicer_bench
MOSAICER_LANG=en build-bench/bench/mosaicer_bench --benchmark_filter='BM_RipRaw'
