#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, build-fuzz/) and runs each one for a
# while on its committed seeds (tests/fuzz/corpus/<target>/). What a run
# finds is left in build-fuzz/findings/ and ends the script in failure.
#   scripts/fuzz.sh [SECONDS]   (30 by default)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
scripts/setup.sh
cmake --preset fuzz -DMOSAICER_WERROR="${MOSAICER_WERROR:-OFF}" >/dev/null
cmake --build --preset fuzz -j2

findings=build-fuzz/findings
rm -rf "$findings"
mkdir -p "$findings"
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  # The run grows a corpus of its own; the committed seeds stay as they are.
  corpus=$(mktemp -d)
  if [ -d "tests/fuzz/corpus/$name" ]; then cp -r "tests/fuzz/corpus/$name/." "$corpus/"; fi
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/$name-" -print_final_stats=1 "$corpus" \
      >"$findings/$name.log" 2>&1; then
    echo "fuzz: $name: $(grep -o 'cov: [0-9]*' "$findings/$name.log" | tail -1 || true)" \
      "$(grep -E '^stat::number_of_executed_units' "$findings/$name.log" || true)"
  else
    echo "fuzz: $name FAILED (see $findings/$name.log)" >&2
    tail -30 "$findings/$name.log" >&2
    status=1
  fi
  rm -rf "$corpus"
done
exit $status
