#!/usr/bin/env bash
# Installs a package made by scripts/package.sh on a clean Debian 12 and runs
# it there: a minimal bookworm made once with debootstrap is copied afresh for
# every run, the package goes in with `apt install ./mosaicer_*.deb` (so its
# dependencies must be complete), then mosaicer --version, mosaicer check on
# a CD+G file made from the installed samples and, for the full package,
# mosaicer-gui on a virtual display (with a screenshot). Needs root, debootstrap
# and a reachable Debian mirror; not part of CI.
#   scripts/check_deb_clean.sh build/mosaicer_0.1.0_amd64.deb [FOLDER]
# FOLDER (default /work/chroot-bookworm) keeps the clean system in base/ and
# the copy being tried in run/; the screenshot is left in FOLDER/gui.png.
set -euo pipefail
deb=$(realpath "$1")
folder=${2:-/work/chroot-bookworm}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
base=$folder/base
run=$folder/run
name=$(dpkg-deb -f "$deb" Package)

if [ "$(id -u)" -ne 0 ]; then
  echo "check_deb_clean: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi
if [ ! -x "$base/usr/bin/apt-get" ]; then
  mkdir -p "$folder"
  debootstrap --variant=minbase bookworm "$base" "$mirror"
  # What a fresh installation reads besides the release itself.
  cat >"$base/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
EOF
fi

mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  rm -rf "$run"
}
trap cleanup EXIT
rm -rf "$run"
cp -a "$base" "$run"
for fs in proc sys dev dev/pts; do
  mount --bind "/$fs" "$run/$fs"
  mounted+=("$run/$fs")
done
cp "$deb" "$run/tmp/"
in_root() { chroot "$run" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive "$@"; }

in_root apt-get update -qq
echo "== apt install ./$(basename "$deb") on a clean bookworm"
in_root sh -c "cd /tmp && apt-get install -y -qq --no-install-recommends ./$(basename "$deb")" \
  >"$folder/apt.log" 2>&1 || { tail -n 30 "$folder/apt.log" >&2; exit 1; }
echo "== packages it brought: $(in_root dpkg-query -W -f='${Package}\n' | wc -l) installed in all"

in_root mosaicer --version
in_root sh -ec '
  cd /tmp
  ex=/usr/share/mosaicer/examples
  mosaicer create "$ex/sunset.bmp" "$ex/frere-jacques.wav" -o song.cdg -q --effect "$ex/spiral.tlo"
  echo "== mosaicer check song.cdg"
  mosaicer check song.cdg
  ! ldd /usr/bin/mosaicer | grep -q "not found"
  test -s /usr/share/doc/mosaicer/copyright'

if in_root test -x /usr/bin/mosaicer-gui; then
  ! in_root ldd /usr/bin/mosaicer-gui | grep "not found"
  # The windows' Japanese labels need a font that has them.
  if ! in_root fc-list :lang=ja | grep -q .; then
    echo "FAIL: no Japanese font came with the package" >&2
    exit 1
  fi
  # The tools to look at the window are no dependency of the package.
  in_root apt-get install -y -qq --no-install-recommends xvfb xauth x11-apps imagemagick \
    >>"$folder/apt.log" 2>&1
  status=0
  in_root env MOSAICER_HOME=/tmp/home MOSAICER_AUDIO=null xvfb-run -a -s "-screen 0 1024x768x24" \
    sh -c 'mosaicer-gui & gui=$!; sleep 3
           xwd -root -silent | convert xwd:- /tmp/gui.png
           kill -0 $gui && kill $gui' >"$folder/gui.log" 2>&1 || status=$?
  cp "$run/tmp/gui.png" "$folder/gui.png" 2>/dev/null || true
  if [ "$status" -ne 0 ]; then
    echo "FAIL: mosaicer-gui did not stay up on the virtual display:" >&2
    cat "$folder/gui.log" >&2
    exit 1
  fi
  echo "== mosaicer-gui ran on a virtual display; screenshot in $folder/gui.png"
fi
echo "check_deb_clean: $name installs and runs on a clean Debian 12"
