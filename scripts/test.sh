#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
#   scripts/test.sh            normal build (build/)
#   scripts/test.sh asan       address + undefined-behaviour sanitizers (build-asan/)
#   scripts/test.sh tsan       thread sanitizer (build-tsan/)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-default}
scripts/setup.sh
cmake --preset "$preset" -DMOSAICER_WERROR="${MOSAICER_WERROR:-OFF}" >/dev/null
cmake --build --preset "$preset" -j2
ctest --preset "$preset"
