#!/usr/bin/env bash
# mosaicer without a command: help and a note when there is no desktop
# application, an exec of mosaicer-gui (arguments passed on) when there is
# one; mosaicer-gui without a display fails with its own message.
#   handoff_test.sh MOSAICER [MOSAICER_GUI]
set -euo pipefail
cli=$1 gui=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/bin" "$work/path"
cp "$cli" "$work/bin/mosaicer"

# No desktop application anywhere.
status=0
PATH=/usr/bin:/bin "$work/bin/mosaicer" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status without a desktop application"
grep -q "^usage: mosaicer COMMAND" "$work/out" || fail "no help: $(cat "$work/out")"
grep -q "not installed" "$work/err" || fail "no note: $(cat "$work/err")"

# One on PATH: it replaces the process, with the same arguments.
printf '#!/bin/sh\necho "path gui: $*"\nexit 7\n' >"$work/path/mosaicer-gui"
chmod +x "$work/path/mosaicer-gui"
status=0
PATH="$work/path:/usr/bin:/bin" "$work/bin/mosaicer" >"$work/out" 2>&1 || status=$?
[ "$status" -eq 7 ] || fail "exit status $status, not the desktop application's"
grep -qx "path gui: " "$work/out" || fail "PATH's program did not run: $(cat "$work/out")"

# One beside it wins over PATH.
printf '#!/bin/sh\necho "own gui: $*"\n' >"$work/bin/mosaicer-gui"
chmod +x "$work/bin/mosaicer-gui"
PATH="$work/path:/usr/bin:/bin" "$work/bin/mosaicer" >"$work/out" 2>&1 ||
  fail "the program beside it failed"
grep -qx "own gui: " "$work/out" || fail "the program beside it did not run: $(cat "$work/out")"

# Commands never hand over.
"$work/bin/mosaicer" --version | grep -q "^mosaicer " || fail "--version"

if [ -n "$gui" ]; then
  for display in "" ":987"; do
    status=0
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$gui" >"$work/out" 2>&1 ||
      status=$?
    [ "$status" -eq 1 ] || fail "mosaicer-gui with DISPLAY='$display': status $status"
    grep -q "^mosaicer-gui: " "$work/out" || fail "no message: $(cat "$work/out")"
  done
fi
echo "hand-over checks passed"
