# `cmake --install BUILD --prefix DIR` puts the two programs into DIR/bin. The desktop program looks
# for its reference data (Lumeno.dat) and its help document (TINTHELP.PDF) in its own folder, so
# both go into DIR/bin beside it; the desktop entry and the icon go where desktops look for them.
include(GNUInstallDirs)

install(TARGETS tintara tintara-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${TINTARA_LUMENO_DAT}" "${TINTARA_HELP_PDF}" DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${PROJECT_SOURCE_DIR}/packaging/tintara.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${PROJECT_SOURCE_DIR}/src/app/ui/resources/tintara.svg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
