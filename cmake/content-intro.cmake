# The intro film: tools/introgen renders and encodes it into the build folder, the game's
# working directory ("intro.wmv" is played from disk). The title uses a free system font.
find_file(KRUMBOLT_INTRO_FONT DejaVuSans-Bold.ttf PATHS /usr/share/fonts/truetype/dejavu REQUIRED NO_DEFAULT_PATH)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/intro.wmv
  COMMAND introgen ${CMAKE_BINARY_DIR}/intro.wmv ${KRUMBOLT_INTRO_FONT}
  DEPENDS introgen
  COMMENT "Generating intro.wmv"
  VERBATIM)
add_custom_target(krumbolt_intro ALL DEPENDS ${CMAKE_BINARY_DIR}/intro.wmv)
