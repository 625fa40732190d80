# Runs the Windows programs of a cross build under Wine (Debian's wine64):
# writes <build>/wine-run, which uses the prefix <build>/wine-prefix, and
# makes it the emulator through which ctest starts the tests.
find_program(ZEL_WINE NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZEL_WINE)
  message(WARNING "wine64 not found (Debian package wine64): the Windows tests cannot run here")
  return()
endif()
set(ZEL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
configure_file("${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in" "${CMAKE_BINARY_DIR}/wine-run"
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
