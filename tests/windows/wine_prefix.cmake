cmake_minimum_required(VERSION 3.25)
# Creates (-DACTION=setup) or removes (-DACTION=cleanup) the Wine prefix that
# the Wine tests share. -DWINE= -DWINESERVER= -DPREFIX=

set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
if(ACTION STREQUAL "setup")
  execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
  file(REMOVE_RECURSE "${PREFIX}")
  execute_process(COMMAND ${WINE} wineboot --init RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE errors)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${PREFIX}/drive_c")
    message(FATAL_ERROR "cannot create the Wine prefix ${PREFIX}: ${errors}")
  endif()
  # The Z: drive is the Linux root in a new prefix; the tests rely on it.
  if(NOT EXISTS "${PREFIX}/dosdevices/z:")
    message(FATAL_ERROR "the Wine prefix ${PREFIX} has no Z: drive")
  endif()
else()
  execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${WINESERVER} -w OUTPUT_QUIET ERROR_QUIET)
  file(REMOVE_RECURSE "${PREFIX}")
endif()
