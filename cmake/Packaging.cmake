# `cpack -G DEB` in the build folder: one package with the programs and their data, its library dependencies
# found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME cantavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Cantavo developers")
set(CPACK_PACKAGE_CONTACT "Cantavo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Melody manager for mobile handsets, with a SMAF player")
set(CPACK_PACKAGE_DESCRIPTION
    "Cantavo talks to a mobile handset over an RS-232 cable: it reads the handset's
melody memory, puts SMAF melodies (.mmf) into its slots, writes the memory back
and keeps backups. It plays SMAF melodies through a bit-exact emulation of the
handset's FM and ADPCM sound chip, and comes with command-line programs to
render melodies to audio files and to work on the handset and its backups from
scripts.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop entry and the file type need no maintainer scripts: dpkg's triggers refresh the menus, the
# icon cache and the file-type database.

include(CPack)
