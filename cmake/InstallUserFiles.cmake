# Run by `cmake --install` after the rules of Install.cmake, with the folders
# set there. Paths written into files are the final ones; files go below
# DESTDIR when it is set.
foreach(dir APP_DIR BIN_DIR DATA_DIR)
  if(IS_ABSOLUTE "${VARDOLIN_${dir}}")
    set(${dir} "${VARDOLIN_${dir}}")
  else()
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${VARDOLIN_${dir}}")
  endif()
endforeach()
set(dest "$ENV{DESTDIR}")

# Default settings and help: a file already there belongs to the user.
execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${VARDOLIN_SOURCE_DIR}/data -DDST=${dest}${APP_DIR}
                        -P ${VARDOLIN_SOURCE_DIR}/cmake/CopyIfMissing.cmake
                COMMAND_ERROR_IS_FATAL ANY)

message(STATUS "Installing: ${dest}${BIN_DIR}/vardolin")
file(WRITE "${dest}${BIN_DIR}/vardolin" "#!/bin/sh\nexec \"${APP_DIR}/vardolin\" \"$@\"\n")
file(CHMOD "${dest}${BIN_DIR}/vardolin" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(entry "${dest}${DATA_DIR}/applications/${VARDOLIN_ID}.desktop")
message(STATUS "Installing: ${entry}")
file(READ "${VARDOLIN_SOURCE_DIR}/desktop/${VARDOLIN_ID}.desktop" text)
string(REGEX REPLACE "\nExec=vardolin\n" "\nExec=${BIN_DIR}/vardolin\n" text "${text}")
file(WRITE "${entry}" "${text}")
