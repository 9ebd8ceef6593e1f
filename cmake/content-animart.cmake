# Frame sheets of the animations: every SVG under data/art/texturen/animationen/ is one whole
# sheet (power-of-two sized, its cells laid out as the animation files address them) and is
# rasterised with rsvg-convert into the generated content folder under the same path, so
# data/art/texturen/animationen/vogel.svg becomes the archive entry texturen\animationen\vogel.png.
# The general art module rasterises every SVG under data/art in just this way; where it is
# part of the build it takes these sheets over and this module stands back.
if(EXISTS ${CMAKE_SOURCE_DIR}/cmake/content-art.cmake)
  return()
endif()

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
file(GLOB anim_sheets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/art/texturen/animationen/*.svg)
list(SORT anim_sheets)
set(anim_sheet_outputs)
foreach(svg ${anim_sheets})
  get_filename_component(stem ${svg} NAME_WE)
  set(png ${KRUMBOLT_GEN_DIR}/texturen/animationen/${stem}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KRUMBOLT_GEN_DIR}/texturen/animationen
    COMMAND ${RSVG_CONVERT} --format=png --output=${png} ${svg}
    DEPENDS ${svg}
    COMMENT "Rasterising texturen/animationen/${stem}.svg"
    VERBATIM)
  list(APPEND anim_sheet_outputs ${png})
endforeach()
set_property(GLOBAL APPEND PROPERTY KRUMBOLT_GEN_OUTPUTS ${anim_sheet_outputs})
