# Installation and the Debian package of the native build: `vorn` in bin,
# its manual page vorn(1), the licence, and the two plug-ins for Windows
# hosts run under Wine in share/vorn. `cmake --install` and the package
# (`cpack -G DEB`, which scripts/release.sh runs) install the same set.
#
# The plug-ins come from the cross builds named by VORN_WIN32_DIR and
# VORN_WIN64_DIR; without them only `vorn`, its page and the licence are
# installed.

include(GNUInstallDirs)

install(TARGETS vorn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# vorn(1), made by help2man from `vorn --help` (and docs/vorn.h2m, the
# sections a help text does not hold, where it exists), compressed without
# a time stamp. help2man dates the page from SOURCE_DATE_EPOCH when it is
# set, so a release's page does not depend on the day it was built.
find_program(VORN_HELP2MAN help2man)
find_program(VORN_GZIP gzip)
if(VORN_HELP2MAN AND VORN_GZIP)
  set(vorn_man_include)
  set(vorn_man_depends vorn)
  if(EXISTS ${CMAKE_SOURCE_DIR}/docs/vorn.h2m)
    set(vorn_man_include --include=${CMAKE_SOURCE_DIR}/docs/vorn.h2m)
    list(APPEND vorn_man_depends ${CMAKE_SOURCE_DIR}/docs/vorn.h2m)
  endif()
  set(vorn_man_page ${CMAKE_BINARY_DIR}/man/vorn.1)
  add_custom_command(
    OUTPUT ${vorn_man_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${VORN_HELP2MAN} --no-info --no-discard-stderr --version-string=${VORN_VERSION}
            "--name=draw a labyrinth over an image" ${vorn_man_include}
            --output=${vorn_man_page} $<TARGET_FILE:vorn>
    COMMAND ${VORN_GZIP} -9 -n -f ${vorn_man_page}
    DEPENDS ${vorn_man_depends}
    COMMENT "Writing the manual page vorn(1)"
    VERBATIM)
  add_custom_target(vorn_manpage ALL DEPENDS ${vorn_man_page}.gz)
  install(FILES ${vorn_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man or gzip not found: no manual page (scripts/setup.sh installs them)")
endif()

# Debian keeps a package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorn
        RENAME copyright)

set(vorn_plugins)
if(VORN_WIN32_DIR)
  list(APPEND vorn_plugins ${VORN_WIN32_DIR}/Vorn.8bf)
endif()
if(VORN_WIN64_DIR)
  list(APPEND vorn_plugins ${VORN_WIN64_DIR}/Vorn64.8bf)
endif()
if(vorn_plugins)
  install(FILES ${vorn_plugins} DESTINATION ${CMAKE_INSTALL_DATADIR}/vorn)
else()
  message(STATUS "No cross builds given (VORN_WIN32_DIR, VORN_WIN64_DIR): the plug-ins are not installed")
endif()

# The Debian package vorn_<version>_amd64.deb. Its dependencies are read
# from the libraries `vorn` links (dpkg-shlibdeps), so they follow the
# build. Files, owners, times and order in the package come from CPack and
# SOURCE_DATE_EPOCH, the same on every build of a commit.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VERSION ${VORN_VERSION})
set(CPACK_PACKAGE_VENDOR Bramix)
set(CPACK_PACKAGE_CONTACT "Bramix")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draws a labyrinth over an image, from the command line")
set(CPACK_PACKAGE_DESCRIPTION
    "vorn runs the Vorn image filter on PNG, JPEG and TIFF files: the image, or the\n\
selection given as a mask, is replaced by a labyrinth of one-pixel walls in the\n\
foreground colour on the background colour. The package also holds the filter\n\
as plug-ins for Windows image editors (Vorn.8bf, Vorn64.8bf) in /usr/share/vorn,\n\
for hosts run under Wine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
