# Generated songs: tools/songgen renders and encodes each song straight into the build
# folder, the game's working directory (songs are played from disk, not from the archive).
# One command per song, so they encode in parallel.
set(KRUMBOLT_SONGS Titlesong1.mp3 Titlesong2.mp3 InGameSong1.mp3 InGameSong2.mp3)
set(song_outputs)
foreach(song ${KRUMBOLT_SONGS})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${song}
    COMMAND songgen ${CMAKE_BINARY_DIR} ${song}
    DEPENDS songgen
    COMMENT "Generating ${song}"
    VERBATIM)
  list(APPEND song_outputs ${CMAKE_BINARY_DIR}/${song})
endforeach()
add_custom_target(krumbolt_music ALL DEPENDS ${song_outputs})
