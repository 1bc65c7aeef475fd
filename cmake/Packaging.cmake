# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in a build folder (see README.md).
# It holds what `cmake --install` puts under /usr. Its run-time dependencies
# are worked out by dpkg-shlibdeps from the libraries the executable links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fibwright)
set(CPACK_PACKAGE_VENDOR "Fibwright developers")
set(CPACK_PACKAGE_CONTACT "Fibwright developers <fibwright@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
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
# Qt loads its X11 platform plugin at run time, so no library link names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")

include(CPack)
