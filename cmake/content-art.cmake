# Drawn art: SVG sources under data/art/ are rasterised with rsvg-convert at their own size
# into the generated content folder, keeping their path (data/art/texturen/ui/cursor.svg
# becomes the archive entry texturen\ui\cursor.png). The SVG files of a folder named
# NAME.frames are the frames of one sprite sheet, NAME.png, assembled by tools/sheetgen in
# the order of their file names.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(KRUMBOLT_ART_DIR ${CMAKE_SOURCE_DIR}/data/art)
set(KRUMBOLT_FRAME_DIR ${CMAKE_BINARY_DIR}/art-frames)
file(GLOB_RECURSE art_sources CONFIGURE_DEPENDS ${KRUMBOLT_ART_DIR}/*.svg)
list(SORT art_sources)

set(art_outputs)
set(sheet_names)
foreach(svg ${art_sources})
  file(RELATIVE_PATH rel ${KRUMBOLT_ART_DIR} ${svg})
  get_filename_component(rel_dir ${rel} DIRECTORY)
  get_filename_component(stem ${rel} NAME_WE)
  if(rel_dir MATCHES "\\.frames$")
    # A frame: rasterised beside the build, collected per sheet below.
    set(png ${KRUMBOLT_FRAME_DIR}/${rel_dir}/${stem}.png)
    string(MAKE_C_IDENTIFIER ${rel_dir} sheet_id)
    if(NOT sheet_id IN_LIST sheet_names)
      list(APPEND sheet_names ${sheet_id})
      set(sheet_dir_${sheet_id} ${rel_dir})
      set(sheet_frames_${sheet_id})
    endif()
    list(APPEND sheet_frames_${sheet_id} ${png})
  else()
    if(rel_dir)
      set(png ${KRUMBOLT_GEN_DIR}/${rel_dir}/${stem}.png)
    else()
      set(png ${KRUMBOLT_GEN_DIR}/${stem}.png)
    endif()
    list(APPEND art_outputs ${png})
  endif()
  get_filename_component(png_dir ${png} DIRECTORY)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${png_dir}
    COMMAND ${RSVG_CONVERT} --format=png --output=${png} ${svg}
    DEPENDS ${svg}
    COMMENT "Rasterising ${rel}"
    VERBATIM)
endforeach()

foreach(sheet_id ${sheet_names})
  string(REGEX REPLACE "\\.frames$" ".png" sheet_rel ${sheet_dir_${sheet_id}})
  set(sheet_png ${KRUMBOLT_GEN_DIR}/${sheet_rel})
  get_filename_component(sheet_out_dir ${sheet_png} DIRECTORY)
  add_custom_command(OUTPUT ${sheet_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${sheet_out_dir}
    COMMAND sheetgen ${sheet_png} ${sheet_frames_${sheet_id}}
    DEPENDS sheetgen ${sheet_frames_${sheet_id}}
    COMMENT "Assembling ${sheet_rel}"
    VERBATIM)
  list(APPEND art_outputs ${sheet_png})
endforeach()

set_property(GLOBAL APPEND PROPERTY KRUMBOLT_GEN_OUTPUTS ${art_outputs})
