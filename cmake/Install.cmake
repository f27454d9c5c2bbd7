# What `cmake --install` puts in place (scripts/install.sh runs it). The program
# keeps its settings beside itself, so it and its default settings and help go
# into one folder the user owns (VARDOLIN_APP_DIR, below the prefix unless
# absolute); a launcher on the PATH, the desktop entry, the icons and the
# AppStream metadata go where the desktop looks for them. Every file here is an
# install rule, so that install_manifest.txt lists all that an install wrote
# (uninstall.sh removes just that); only the default settings are copied
# beside it, and only where the user has none yet.
include(GNUInstallDirs)
set(VARDOLIN_APP_DIR "${CMAKE_INSTALL_DATADIR}/vardolin" CACHE STRING
    "Folder of the program and its settings files (relative to the prefix unless absolute)")
set(VARDOLIN_ID org.vardolin.Vardolin)
# The settings files the program saves; the rest of data/ is help.
set(VARDOLIN_SETTINGS_FILES appcfgs.cfg appitems.cfg exitem.cfg
    IconImg1.bmp IconImg2.bmp IconImg3.bmp IconImg4.bmp IconImg5.bmp)

# The launcher and the desktop entry name the final folders, so they are made
# here for the configured prefix; an install to another one would point them
# at the wrong place, and is refused before anything is written.
function(vardolin_absolute out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
vardolin_absolute(abs_app_dir "${VARDOLIN_APP_DIR}")
vardolin_absolute(abs_bin_dir "${CMAKE_INSTALL_BINDIR}")
set(gen ${CMAKE_BINARY_DIR}/install)
# In the launcher the path is double-quoted shell text.
string(REGEX REPLACE "([\\\\\"$`])" "\\\\\\1" quoted "${abs_app_dir}/vardolin")
file(CONFIGURE OUTPUT ${gen}/vardolin CONTENT "#!/bin/sh\nexec \"${quoted}\" \"$@\"\n" @ONLY)
# In the desktop entry it is a quoted argument of Exec, whose backslashes the
# file's own string escapes double again; a percent sign is written twice.
string(REGEX REPLACE "([\\\\\"$`])" "\\\\\\1" quoted "${abs_bin_dir}/vardolin")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
file(READ ${CMAKE_SOURCE_DIR}/desktop/${VARDOLIN_ID}.desktop entry)
string(REGEX REPLACE "\nExec=vardolin\n" "\nExec=\"${quoted}\"\n" entry "${entry}")
file(CONFIGURE OUTPUT ${gen}/${VARDOLIN_ID}.desktop CONTENT "${entry}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/desktop/${VARDOLIN_ID}.desktop)

install(CODE "
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL \"${CMAKE_INSTALL_PREFIX}\")
    message(FATAL_ERROR \"The launcher and the desktop entry were made for \"
                        \"${CMAKE_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=\${CMAKE_INSTALL_PREFIX} instead.\")
  endif()")
install(TARGETS vardolin RUNTIME DESTINATION ${VARDOLIN_APP_DIR})
install(PROGRAMS ${gen}/vardolin DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${gen}/${VARDOLIN_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VARDOLIN_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/icons/vardolin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VARDOLIN_ID}.svg)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/desktop/icons/vardolin-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VARDOLIN_ID}.png)
endforeach()
# Help: ours, replaced by each install.
set(settings_excluded)
foreach(f IN LISTS VARDOLIN_SETTINGS_FILES)
  list(APPEND settings_excluded PATTERN ${f} EXCLUDE)
endforeach()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${VARDOLIN_APP_DIR} ${settings_excluded})
# Default settings: a file already there is the user's. Copied by a script of
# its own, so that the manifest never lists them.
install(CODE "
  execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DSRC=${CMAKE_SOURCE_DIR}/data\"
                          \"-DDST=\$ENV{DESTDIR}${abs_app_dir}\" \"-DFILES=${VARDOLIN_SETTINGS_FILES}\"
                          -P \"${CMAKE_SOURCE_DIR}/cmake/CopyIfMissing.cmake\"
                  COMMAND_ERROR_IS_FATAL ANY)")
