#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Mosaicer
# needs. Safe to run again: it only calls apt when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev portaudio19-dev
  libpng-dev libjpeg62-turbo-dev libsndfile1-dev libsoxr-dev libzip-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev ffmpeg
  sox
  cdrdao
  xvfb xauth fonts-noto-cjk
  openbox xdotool x11-utils
  librsvg2-bin desktop-file-utils appstream man-db debootstrap
  gettext qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
