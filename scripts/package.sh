#!/usr/bin/env bash
# Builds the Debian packages in build/: mosaicer_VERSION_ARCH.deb (the command
# line and the desktop application) and mosaicer-cli_VERSION_ARCH.deb (the
# command line alone, no Qt). Their dependencies come from dpkg-shlibdeps.
#   scripts/package.sh
# Then, to try one on this machine (as root; removes it again):
#   scripts/check_package.sh build/mosaicer_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2
cd build
cpack -G DEB
cpack -G DEB -D MOSAICER_CLI_PACKAGE=ON
ls -l ./*.deb
