# SPDX-License-Identifier: MIT
# fibwright_add_test(NAME SOURCES... [LIBRARIES...] [LABELS...])
# Builds one Qt Test program against the program's libraries and registers it
# with CTest on Qt's offscreen platform.
function(fibwright_add_test name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} Qt6::Test Qt6::Widgets)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    FIBWRIGHT_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_ASSUME_STDERR_HAS_CONSOLE=1"
    LABELS "unit;${arg_LABELS}"
    TIMEOUT 120)
endfunction()
