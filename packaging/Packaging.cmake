# Installation and the Debian package (cpack -G DEB from the build folder, or
# scripts/package.sh): the three programs in bin/, the desktop entry, its
# icon and the AppStream metainfo where the desktop looks for them.
include(GNUInstallDirs)

set(MATRIX_APP_ID org.matrixtool.MatrixTool)
set(pkg ${CMAKE_CURRENT_LIST_DIR})
install(FILES ${pkg}/${MATRIX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg}/${MATRIX_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${pkg}/${MATRIX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The simulator's sample EDIDs, for matrix-sim --edid-dir.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/testdata/edid/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/matrix-tool/edid FILES_MATCHING PATTERN "*.bin")
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/GUIDE.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/matrix-tool OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME matrix-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The matrix tool developers")
set(CPACK_PACKAGE_CONTACT "The matrix tool developers <matrix-tool@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Maintenance tool for an 8x8 HDMI/HDBaseT video matrix switch")
set(CPACK_PACKAGE_DESCRIPTION
    "Status, EDIDs, LAN module set-up, firmware upgrades and product information of an 8x8\n\
HDMI/HDBaseT video matrix switch over a serial port or the LAN; with a simulator of the\n\
unit (matrix-sim) and a command-line program (matrix-cli).")
set(CPACK_PACKAGE_INSTALL_DIRECTORY matrix-tool)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt 6 runtime packages come from the programs' own libraries
# (dpkg-shlibdeps; Debian's libqt6gui6 carries the X11 platform plugin).
# Wayland sessions run natively with qt6-wayland; socat makes serial bridges.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "socat")
include(CPack)
