# SPDX-License-Identifier: MIT
# fibwright_render_icon(SVG <file> SIZE <pixels> OUTPUT <png>)
# Renders the program's SVG icon to a square PNG at build time. The PNGs are
# never kept in the source tree: data/fibwright.svg is the one drawing.
include_guard(GLOBAL)
find_program(FIBWRIGHT_RSVG_CONVERT rsvg-convert REQUIRED)

function(fibwright_render_icon)
  cmake_parse_arguments(arg "" "SVG;SIZE;OUTPUT" "" ${ARGN})
  get_filename_component(dir "${arg_OUTPUT}" DIRECTORY)
  add_custom_command(OUTPUT "${arg_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
    COMMAND ${FIBWRIGHT_RSVG_CONVERT} --width=${arg_SIZE} --height=${arg_SIZE}
            --format=png --output=${arg_OUTPUT} ${arg_SVG}
    DEPENDS "${arg_SVG}"
    COMMENT "Rendering the ${arg_SIZE}x${arg_SIZE} icon"
    VERBATIM)
endfunction()
