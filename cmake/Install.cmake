# Where `cmake --install` puts the program and its files, and the Debian package CPack
# makes of them (`make package`, or `cmake --build build --target package`).
include(GNUInstallDirs)

install(TARGETS tavel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The user guide: the program looks for it beside itself, then in ../share/tavel.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Additional DESTINATION ${CMAKE_INSTALL_DATADIR}/tavel)
install(FILES ${PROJECT_SOURCE_DIR}/data/tavel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tavel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/example.tavel.Tavel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tavel")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "The Tavel developers <support@tavel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "fills music players and flash drives from a music collection")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Vo Tavel keeps a work list of audio files gathered from folders and M3U playlists and\n"
  "copies, moves or deletes the ticked ones onto a player or a flash drive, renamed by\n"
  "fixed rules, in one of four folder layouts, within a size limit.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavel.example/")
# The libraries the program links (libqt6widgets6, libmpv2, libc6, ...) come from
# dpkg-shlibdeps; Qt's platform plugins (the window on X11 or Wayland) are loaded at run
# time and so are named here (the SVG icon engine too), and Qt's Russian texts are
# recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
include(CPack)
