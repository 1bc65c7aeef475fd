# SPDX-License-Identifier: MIT
# Run by cpack on the staged tree, before it becomes the .deb (set as
# CPACK_PRE_BUILD_SCRIPTS in cmake/Packaging.cmake).
#
# The phrase lists are the program's configuration: a user may replace them,
# and an upgrade must not overwrite the replacement. So the package holds
# them in /etc/fibwright, as conffiles, and the program's folder holds links
# to them; the program reads the lists beside its real executable, following
# the links. The links are absolute, as links from /usr to /etc are in Debian.
set(root ${CPACK_TEMPORARY_DIRECTORY})
if(NOT IS_DIRECTORY "${root}${CPACK_FIBWRIGHT_PROGRAM_DIR}")
  message(FATAL_ERROR "no ${CPACK_FIBWRIGHT_PROGRAM_DIR} in the staged tree ${root}")
endif()
file(MAKE_DIRECTORY ${root}/etc/fibwright)
foreach(list IN LISTS CPACK_FIBWRIGHT_PHRASE_LISTS)
  file(RENAME ${root}${CPACK_FIBWRIGHT_PROGRAM_DIR}/${list} ${root}/etc/fibwright/${list})
  file(CREATE_LINK /etc/fibwright/${list} ${root}${CPACK_FIBWRIGHT_PROGRAM_DIR}/${list} SYMBOLIC)
endforeach()

# cpack runs this with DESTDIR set to the staged tree, so no file(INSTALL).
set(doc ${root}/usr/share/doc/fibwright)
file(MAKE_DIRECTORY ${doc})
foreach(file IN LISTS CPACK_FIBWRIGHT_DOC_FILES)
  get_filename_component(name ${file} NAME)
  file(COPY_FILE ${file} ${doc}/${name})
  file(CHMOD ${doc}/${name} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()
