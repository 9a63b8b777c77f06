#!/usr/bin/env bash
# Formats each manual page as man would and fails on any warning groff gives
# (a bad request, an unknown escape, a line it could not break).
set -euo pipefail
for page in "$@"; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "FAIL: $page: $warnings" >&2
    exit 1
  fi
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
  grep -q "^NAME" <<<"$text" || { echo "FAIL: $page has no NAME section" >&2; exit 1; }
  echo "$page: $(wc -l <<<"$text") lines"
done
