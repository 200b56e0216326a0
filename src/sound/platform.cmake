# The platform pieces around the synthesiser: audio devices (PulseAudio, ALSA), the
# port list, the MIDI log and the start-up probe. libpulse and ALSA stay private to
# their adapters.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBPULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)

add_library(talvimorena_sound_platform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AlsaDevices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MidiLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseAudioDevices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundPlatform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TKTDirectSound.cpp)
target_link_libraries(talvimorena_sound_platform
  PUBLIC talvimorena_model
  PRIVATE PkgConfig::LIBPULSE PkgConfig::ALSA)
