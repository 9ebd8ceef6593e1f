# Procedural textures: tools/texgen writes every texture of its catalogue into the generated
# content folder. One stamp stands for the whole set, so the list of names lives in one place.
set(KRUMBOLT_STAMP_DIR ${CMAKE_BINARY_DIR}/content-stamps)
file(MAKE_DIRECTORY ${KRUMBOLT_STAMP_DIR})
add_custom_command(OUTPUT ${KRUMBOLT_STAMP_DIR}/textures.stamp
  COMMAND texgen ${KRUMBOLT_GEN_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${KRUMBOLT_STAMP_DIR}/textures.stamp
  DEPENDS texgen
  COMMENT "Generating textures"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY KRUMBOLT_GEN_OUTPUTS ${KRUMBOLT_STAMP_DIR}/textures.stamp)
