#!/usr/bin/env bash
# Builds and runs the benchmarks; prints each result as a ratio against a
# reference measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j2
# One language whatever the machine's locale, so runs compare.
MOSAICER_LANG=en build-bench/bench/mosaicer_bench "$@"
