# Read by cpack for each package it makes: the command-line-only package.
if(MOSAICER_CLI_PACKAGE)
  set(CPACK_PACKAGE_NAME mosaicer-cli)
  set(CPACK_DEBIAN_PACKAGE_NAME mosaicer-cli)
  set(CPACK_COMPONENTS_ALL cli clidoc)
  set(CPACK_DEBIAN_PACKAGE_CONFLICTS mosaicer)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libportaudio2")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "CD+G karaoke graphics: make, check, play and rip (command line only)")
endif()
