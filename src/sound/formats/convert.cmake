# Conversions between SoundFont banks and DLS collections, and the built-in voice set.
target_sources(talvimorena_formats PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/VoiceSetArticulation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sf2ToDls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DlsToSf2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VoiceSetFiles.cpp)
