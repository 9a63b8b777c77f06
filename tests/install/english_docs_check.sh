#!/usr/bin/env bash
# The installed manual and completion are English even when the machine that
# builds them speaks Japanese.
#   english_docs_check.sh MOSAICER_DOCS
set -euo pipefail
docs=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for document in man gui-man completion; do
  MOSAICER_LANG=ja LANG=ja_JP.UTF-8 "$docs" "$document" "$work/$document"
  if LC_ALL=C grep -q $'[\xe3-\xe9]' "$work/$document"; then
    echo "FAIL: $document holds Japanese text:" >&2
    LC_ALL=C grep -n $'[\xe3-\xe9]' "$work/$document" | head -3 >&2
    exit 1
  fi
  grep -q "mosaicer" "$work/$document" || { echo "FAIL: $document is empty" >&2; exit 1; }
done
echo "every document is English"
