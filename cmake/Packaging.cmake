# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in a build folder (see HACKING.md).
# It holds what `cmake --install` puts under /usr, with two changes made in
# the staged tree (packaging/deb-layout.cmake): the phrase lists become
# configuration files in /etc/fibwright, which dpkg keeps across upgrades
# when a user has edited them, with links to them beside the program; and the
# copyright file and changelog every Debian package carries join it. Its run-time dependencies are worked out by dpkg-shlibdeps from
# the libraries the executable links.
set(FIBWRIGHT_PACKAGE_VERSION "" CACHE STRING
  "The Debian package's version (empty: the program's, ${PROJECT_VERSION})")
set(package_version ${PROJECT_VERSION})
if(FIBWRIGHT_PACKAGE_VERSION)
  set(package_version ${FIBWRIGHT_PACKAGE_VERSION})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fibwright)
set(CPACK_PACKAGE_VENDOR "Fibwright developers")
set(CPACK_PACKAGE_CONTACT "Fibwright developers <fibwright@example.org>")
set(CPACK_PACKAGE_VERSION ${package_version})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis line is the project's description; this is the long text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Fibwright builds a plausible, technical-sounding excuse out of four lists
of phrases. Pick a phrase in each of four drop-down lists, or press Random,
and the sentence appears in an editable box, ready to copy to the clipboard.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its X11 platform plugin at run time, so no library link names it;
# on a Wayland desktop it wants Qt's Wayland plugin, which is not a must.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

# What packaging/deb-layout.cmake needs from the build.
set(package_dir ${PROJECT_BINARY_DIR}/packaging)
set(CPACK_FIBWRIGHT_PROGRAM_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${FIBWRIGHT_PROGRAM_DIR})
set(CPACK_FIBWRIGHT_PHRASE_LISTS ${FIBWRIGHT_PHRASE_LISTS})
set(CPACK_FIBWRIGHT_DOC_FILES ${package_dir}/copyright ${package_dir}/changelog.gz)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb-layout.cmake)

# The lists in /etc/fibwright are the package's configuration files.
list(TRANSFORM FIBWRIGHT_PHRASE_LISTS PREPEND "/etc/fibwright/" OUTPUT_VARIABLE conffiles)
list(JOIN conffiles "\n" conffiles)
file(CONFIGURE OUTPUT ${package_dir}/conffiles CONTENT "${conffiles}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${package_dir}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The copyright file as it is kept in packaging/, and the Debian changelog
# compressed the way Debian keeps it (no name or time stamp in the header).
add_custom_command(OUTPUT ${package_dir}/copyright
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/copyright ${package_dir}/copyright
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/copyright
  COMMENT "Copying the package's copyright file"
  VERBATIM)
add_custom_command(OUTPUT ${package_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${package_dir}/changelog
  COMMAND ${FIBWRIGHT_GZIP} -9nf ${package_dir}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the package's changelog"
  VERBATIM)
add_custom_target(package_docs ALL DEPENDS ${package_dir}/copyright ${package_dir}/changelog.gz)

# Reproducible packages: cpack takes every time stamp in the .deb from
# SOURCE_DATE_EPOCH. packaging/cpack-options.cmake sets it, when the caller
# has not, to the time of the commit the tree is checked out at (or, outside
# a git checkout, to the date of the changelog's latest entry).
set(CPACK_FIBWRIGHT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_FIBWRIGHT_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack-options.cmake)

include(CPack)
