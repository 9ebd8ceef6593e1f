# The content archive krumbolt.gob, packed from data/ and from content our tools generate.
# Generator steps add their output files to KRUMBOLT_GEN_OUTPUTS (a global property) and
# write into KRUMBOLT_GEN_DIR.
set(KRUMBOLT_GOB ${CMAKE_BINARY_DIR}/krumbolt.gob)
set(KRUMBOLT_GEN_DIR ${CMAKE_BINARY_DIR}/gen)
file(MAKE_DIRECTORY ${KRUMBOLT_GEN_DIR})

file(GLOB_RECURSE KRUMBOLT_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
file(GLOB KRUMBOLT_CONTENT_MODULES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/content-*.cmake)
foreach(module ${KRUMBOLT_CONTENT_MODULES})
  include(${module})
endforeach()
get_property(KRUMBOLT_GEN_OUTPUTS GLOBAL PROPERTY KRUMBOLT_GEN_OUTPUTS)

add_custom_command(OUTPUT ${KRUMBOLT_GOB}
  COMMAND gobpack ${KRUMBOLT_GOB}
          --dir ${CMAKE_SOURCE_DIR}/data
          --dir ${KRUMBOLT_GEN_DIR}
          --files ${CMAKE_SOURCE_DIR}/data/external.lst
  DEPENDS gobpack ${KRUMBOLT_DATA_FILES} ${KRUMBOLT_GEN_OUTPUTS}
  COMMENT "Packing krumbolt.gob"
  VERBATIM)
add_custom_target(krumbolt_gob ALL DEPENDS ${KRUMBOLT_GOB})
