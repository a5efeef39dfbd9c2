# Installs what the program needs beside it: the help file (the program's
# path with ".HLP" appended), the desktop entry and the icon.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/spanmeter.HLP
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/spanmeter.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/spanmeter-32.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME spanmeter.png)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/spanmeter-16.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps RENAME spanmeter.png)

# A program run from the build tree finds its help beside it too.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/resources/spanmeter.HLP
               ${CMAKE_BINARY_DIR}/spanmeter.HLP COPYONLY)
