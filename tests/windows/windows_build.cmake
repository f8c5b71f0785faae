cmake_minimum_required(VERSION 3.25)
# Configures and builds one Windows tree with a MinGW-w64 toolchain file,
# the Windows checks included. Run again, it only rebuilds what changed.
# -DSOURCE= -DBINARY= -DGENERATOR= -DTOOLCHAIN= and -DINSTALLER= (the
# installer's file name, empty where makensis is missing)

if(NOT EXISTS "${BINARY}/CMakeCache.txt")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
            -DCMAKE_BUILD_TYPE=Release -DKORVEL_BUILD_WINDOWS_CHECKS=ON
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE "${BINARY}/CMakeCache.txt")
    message(FATAL_ERROR "configuring ${BINARY} failed")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} -j2 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building ${BINARY} failed")
endif()
foreach(file korvel_hobeta.dll korvel_screens.dll korvel_extra.dll korvel.exe windows_checks.exe korvel_thumbnails.dll
             thumbnail_checks.exe thumbnail_bench.exe ${INSTALLER})
  if(NOT EXISTS "${BINARY}/${file}")
    message(FATAL_ERROR "${BINARY}/${file} was not built")
  endif()
endforeach()
