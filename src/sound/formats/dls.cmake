# DLS collections: RIFF chunk trees, the voice-set model, DLS reader and writer.
target_sources(talvimorena_formats PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RiffChunk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VoiceSet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DlsReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DlsWriter.cpp)
