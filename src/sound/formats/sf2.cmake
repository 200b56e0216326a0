# SoundFont 2 banks: the model, its reader and writer, and the preset resolver.
target_sources(talvimorena_formats PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Sf2Bank.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sf2Reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sf2Writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sf2Resolver.cpp)
