# "cmake --install build --prefix DIR" lays the program out as it runs from the build folder:
# DIR/lib/quillet holds the executable with its data folder beside it, DIR/bin/quillet links
# to it, and the desktop entry, AppStream metainfo and icon go to their places under DIR/share.
include(GNUInstallDirs)
set(QUILLET_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/quillet)

install(TARGETS quillet quillet-cli RUNTIME DESTINATION ${QUILLET_INSTALL_DIR})
install(DIRECTORY ${QUILLET_DATA_DIR}/ DESTINATION ${QUILLET_INSTALL_DIR}/data
    USE_SOURCE_PERMISSIONS
    PATTERN CMakeFiles EXCLUDE
    PATTERN "*.cmake" EXCLUDE
    PATTERN "*.stamp" EXCLUDE
    PATTERN "*.tmp" EXCLUDE)
install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${QUILLET_INSTALL_DIR}/quillet
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillet\" SYMBOLIC)
")

set(desktop ${CMAKE_SOURCE_DIR}/data/desktop)
install(FILES ${desktop}/org.quillet.Quillet.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop}/org.quillet.Quillet.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop}/org.quillet.Quillet.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
