# Synthesised sound effects: tools/sfxgen writes every sound of its catalogue into the
# generated content folder (one stamp for the set).
set(KRUMBOLT_STAMP_DIR ${CMAKE_BINARY_DIR}/content-stamps)
file(MAKE_DIRECTORY ${KRUMBOLT_STAMP_DIR})
add_custom_command(OUTPUT ${KRUMBOLT_STAMP_DIR}/sounds.stamp
  COMMAND sfxgen ${KRUMBOLT_GEN_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${KRUMBOLT_STAMP_DIR}/sounds.stamp
  DEPENDS sfxgen
  COMMENT "Synthesising sound effects"
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY KRUMBOLT_GEN_OUTPUTS ${KRUMBOLT_STAMP_DIR}/sounds.stamp)
