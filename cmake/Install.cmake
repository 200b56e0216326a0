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

# The icon at the theme's sizes, drawn from the SVG, for menus and software centres.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(TALVIMORENA_ICON "${CMAKE_SOURCE_DIR}/src/app/desktop/talvimorena.svg")
set(TALVIMORENA_ICON_SIZES 16 32 48 64 128 256)
set(TALVIMORENA_ICONS_DIR "${CMAKE_BINARY_DIR}/desktop/icons")
set(TALVIMORENA_ICON_FILES)
foreach(size IN LISTS TALVIMORENA_ICON_SIZES)
  set(png "${TALVIMORENA_ICONS_DIR}/${size}x${size}/talvimorena.png")
  add_custom_command(OUTPUT "${png}"
                     COMMAND ${CMAKE_COMMAND} -E make_directory "${TALVIMORENA_ICONS_DIR}/${size}x${size}"
                     COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o "${png}" "${TALVIMORENA_ICON}"
                     DEPENDS "${TALVIMORENA_ICON}"
                     VERBATIM)
  list(APPEND TALVIMORENA_ICON_FILES "${png}")
  install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()
add_custom_target(desktop_icons ALL DEPENDS ${TALVIMORENA_ICON_FILES})

# The manual pages, made by help2man from each program's --help and --version, so that
# they say what the programs say; compressed as Debian keeps them.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
set(TALVIMORENA_MAN_DIR "${CMAKE_BINARY_DIR}/man")
function(talvimorena_man_page target name_line include)
  set(page "${TALVIMORENA_MAN_DIR}/${target}.1")
  add_custom_command(OUTPUT "${page}" "${page}.gz"
                     COMMAND ${CMAKE_COMMAND} -E make_directory "${TALVIMORENA_MAN_DIR}"
                     COMMAND ${HELP2MAN} --no-info --section=1 "--name=${name_line}"
                             "--include=${include}" "--output=${page}" $<TARGET_FILE:${target}>
                     # The pages hold Chinese: man reads them as UTF-8 when told so.
                     COMMAND sed -i "1i .\\\\\" -*- coding: UTF-8 -*-" "${page}"
                     COMMAND ${GZIP} -9nkf "${page}"
                     DEPENDS ${target} "${include}"
                     COMMENT "Writing the manual page of ${target}"
                     VERBATIM)
  add_custom_target(man_${target} ALL DEPENDS "${page}" "${page}.gz")
  install(FILES "${page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()
talvimorena_man_page(talvimorena "virtual piano played on the computer keyboard"
                     "${CMAKE_SOURCE_DIR}/src/app/desktop/talvimorena.h2m")
talvimorena_man_page(talvimorena-tool "look into Talvimorena's files and work with them without a window"
                     "${CMAKE_SOURCE_DIR}/src/app/desktop/talvimorena-tool.h2m")

# The software centre's entry, the copyright and the changelog.
install(FILES "${CMAKE_SOURCE_DIR}/src/app/desktop/org.talvimorena.piano.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
set(TALVIMORENA_CHANGELOG "${CMAKE_BINARY_DIR}/desktop/changelog.gz")
add_custom_command(OUTPUT "${TALVIMORENA_CHANGELOG}"
                   COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_SOURCE_DIR}/packaging/changelog"
                           "${CMAKE_BINARY_DIR}/desktop/changelog"
                   COMMAND ${GZIP} -9nf "${CMAKE_BINARY_DIR}/desktop/changelog"
                   DEPENDS "${CMAKE_SOURCE_DIR}/packaging/changelog"
                   VERBATIM)
add_custom_target(changelog ALL DEPENDS "${TALVIMORENA_CHANGELOG}")
install(FILES "${CMAKE_SOURCE_DIR}/packaging/copyright" "${TALVIMORENA_CHANGELOG}"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/talvimorena")
