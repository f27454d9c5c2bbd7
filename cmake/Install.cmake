# What `cmake --install` puts in place (scripts/install.sh runs it). The program
# keeps its settings beside itself, so it and its default settings and help go
# into one folder the user owns (VARDOLIN_APP_DIR, below the prefix unless
# absolute); a launcher on the PATH, the desktop entry, the icons and the
# AppStream metadata go where the desktop looks for them.
include(GNUInstallDirs)
set(VARDOLIN_APP_DIR "${CMAKE_INSTALL_DATADIR}/vardolin" CACHE STRING
    "Folder of the program and its settings files (relative to the prefix unless absolute)")
set(VARDOLIN_ID org.vardolin.Vardolin)

install(TARGETS vardolin RUNTIME DESTINATION ${VARDOLIN_APP_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VARDOLIN_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/icons/vardolin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VARDOLIN_ID}.svg)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/desktop/icons/vardolin-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VARDOLIN_ID}.png)
endforeach()
# The default settings (only those the user does not have yet), the launcher
# and the desktop entry name the folders the install goes to, known only then.
install(CODE "
  set(VARDOLIN_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")
  set(VARDOLIN_APP_DIR \"${VARDOLIN_APP_DIR}\")
  set(VARDOLIN_BIN_DIR \"${CMAKE_INSTALL_BINDIR}\")
  set(VARDOLIN_DATA_DIR \"${CMAKE_INSTALL_DATADIR}\")
  set(VARDOLIN_ID \"${VARDOLIN_ID}\")")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/InstallUserFiles.cmake)
