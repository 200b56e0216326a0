# cmake --install: the program folder (the piano, its companion tool, the built-in
# voice set, the glyph library and the help page, which the piano finds beside
# itself), a command in bin/, a desktop entry and an icon.
include(GNUInstallDirs)
set(TALVIMORENA_FOLDER "${CMAKE_INSTALL_LIBDIR}/talvimorena")
install(TARGETS talvimorena talvimorena-tool RUNTIME DESTINATION "${TALVIMORENA_FOLDER}")
install(FILES "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/msf4.s"
              "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/TalvimorenaGlyphs.dll"
              "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Talvimorena4.0简要说明.htm"
        DESTINATION "${TALVIMORENA_FOLDER}")
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK \"../${TALVIMORENA_FOLDER}/talvimorena\"
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/talvimorena\" SYMBOLIC)
  file(CREATE_LINK \"../${TALVIMORENA_FOLDER}/talvimorena-tool\"
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/talvimorena-tool\" SYMBOLIC)")
# The entry starts the command in bin/, wherever the prefix put it.
install(FILES "${CMAKE_SOURCE_DIR}/src/app/desktop/talvimorena.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${CMAKE_SOURCE_DIR}/src/app/desktop/talvimorena.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
