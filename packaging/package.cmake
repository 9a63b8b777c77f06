# Debian packages through CPack (scripts/package.sh runs it):
#   mosaicer      the command line and the desktop application
#   mosaicer-cli  the command line alone, without any Qt dependency
# Library dependencies come from dpkg-shlibdeps. PortAudio is loaded only
# when something plays, so no linker entry names it: it is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mosaicer)
set(CPACK_PACKAGE_VENDOR "The Mosaicer developers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/COPYING)
# The same team the AppStream metadata names as developer; a distribution's
# packager sets their own address with -DMOSAICER_MAINTAINER=...
set(MOSAICER_MAINTAINER "The Mosaicer developers <mosaicer-cdg@users.noreply.github.com>"
  CACHE STRING "The Debian packages' Maintainer field")
set(CPACK_PACKAGE_CONTACT "${MOSAICER_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOSAICER_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CD+G karaoke graphics: make, check, play and rip")
set(CPACK_PACKAGE_DESCRIPTION
  "Mosaicer turns a picture and a song into CD+G, the still pictures karaoke players\n"
  "show from the subcode of an audio CD (CDG files of 2448-byte sectors, or RWS\n"
  "files of bare subcode as in MP3+G). It previews and edits display effects, plays\n"
  "CD+G files, rips CD+G discs and splits or joins audio and subcode.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/mosaicer-cdg/mosaicer")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libportaudio2")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
if(MOSAICER_GUI)
  # The windows speak Japanese: without a Japanese font every label is a row
  # of boxes (seen on a clean system installed without recommends).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libportaudio2, fonts-noto-cjk | fonts-japanese-gothic")
endif()
# Components make the command-line-only package possible; each package is
# one piece.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
if(MOSAICER_GUI)
  set(CPACK_COMPONENTS_ALL cli gui doc)
else()
  set(CPACK_COMPONENTS_ALL cli doc)
endif()
# `cpack -D MOSAICER_CLI_PACKAGE=ON` makes mosaicer-cli instead.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_options.cmake)
include(CPack)
