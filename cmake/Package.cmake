# The Debian package, made by CPack's DEB generator from what cmake --install puts in
# place (scripts/package runs it): talvimorena_<version>_amd64.deb. The version is the
# project's; the dependencies come from the programs' shared libraries through
# dpkg-shlibdeps, plus what is loaded at run time and cannot be seen there.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvimorena)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT
    "Talvimorena developers <maintainers@users.noreply.c-seed-c88fee2b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "virtual piano played on the computer keyboard")
# The synopsis is the summary above; these are the lines below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Talvimorena turns the computer keyboard into a two-part instrument: each of
73 keys sounds up to four notes on a left or a right keyboard, through a
General MIDI software synthesiser (FluidSynth) playing through PulseAudio or
ALSA. Songs can be recorded and played back, an automatic drum accompaniment
keeps time, and key layouts, favourite voices and settings are kept in small
files. The user interface is in Chinese.

The package holds the piano, its headless companion talvimorena-tool and the
built-in voice set.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://talvimorena.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display plugin (xcb) at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Chinese texts need a font that has them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
