#!/usr/bin/env bash
# Installs a package made by scripts/package.sh with apt, runs what it
# installed, and removes it again:
#   mosaicer --version, mosaicer check on the installed sample song made
#   into CD+G, the manual page, and (for the full package) mosaicer-gui on a
#   virtual display and the hand-over from mosaicer without a command.
#   scripts/check_package.sh build/mosaicer_0.1.0_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
name=$(dpkg-deb -f "$deb" Package)
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
  echo "check_package: $name is installed already; remove it first" >&2
  exit 1
fi

work=$(mktemp -d)
cleanup() {
  "${sudo_cmd[@]}" apt-get remove -y -qq "$name" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
"${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null

cd "$work"
echo "== $(command -v mosaicer): $(mosaicer --version)"
examples=/usr/share/mosaicer/examples
mosaicer create "$examples/sunset.bmp" "$examples/frere-jacques.wav" -o song.cdg -q \
  --effect "$examples/spiral.tlo"
echo "== mosaicer check song.cdg"
mosaicer check song.cdg
man -l /usr/share/man/man1/mosaicer.1 >/dev/null 2>&1 || man mosaicer >/dev/null
echo "== man mosaicer: $(MANWIDTH=80 man mosaicer 2>/dev/null | wc -l) lines"
if ldd /usr/bin/mosaicer | grep -q libQt; then
  echo "FAIL: the installed mosaicer loads Qt" >&2
  exit 1
fi

if [ -x /usr/bin/mosaicer-gui ]; then
  # The window opens and stays up until it is closed: give it two seconds.
  status=0
  MOSAICER_HOME=$work/home MOSAICER_AUDIO=null \
    xvfb-run -a timeout 2 mosaicer-gui >gui.log 2>&1 || status=$?
  if [ "$status" -ne 124 ]; then
    echo "FAIL: mosaicer-gui ended with status $status:" >&2
    cat gui.log >&2
    exit 1
  fi
  echo "== mosaicer-gui ran on a virtual display until stopped"
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY mosaicer >nodisplay.log 2>&1 || status=$?
  echo "== mosaicer without a command and without a display: status $status, $(tail -n 1 nodisplay.log)"
else
  mosaicer >help.log 2>&1
  echo "== mosaicer without a command: $(tail -n 1 help.log)"
fi
echo "check_package: $name works"
