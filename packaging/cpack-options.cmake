# SPDX-License-Identifier: MIT
# Read by cpack before it packages (CPACK_PROJECT_CONFIG_FILE): the time
# every file in the .deb is stamped with, so that the same commit packaged
# twice gives the same bytes. A SOURCE_DATE_EPOCH given by the caller wins;
# otherwise the commit's time, or outside a git checkout the date of the
# changelog's latest entry.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_program(FIBWRIGHT_GIT git)
  if(FIBWRIGHT_GIT)
    execute_process(COMMAND ${FIBWRIGHT_GIT} -C ${CPACK_FIBWRIGHT_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
  endif()
  if(NOT FIBWRIGHT_GIT OR failed OR NOT epoch MATCHES "^[0-9]+$")
    execute_process(COMMAND dpkg-parsechangelog -l ${CPACK_FIBWRIGHT_CHANGELOG} -S Timestamp
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
