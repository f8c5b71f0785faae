# Shared part of the MinGW-w64 toolchain files; set KORVEL_MINGW_TRIPLET first.

set(CMAKE_SYSTEM_NAME Windows)
if(KORVEL_MINGW_TRIPLET MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR X86)
endif()

# The "posix" flavour of the compilers: its C++ library has std::thread,
# which the host uses; the winpthreads it needs is linked in statically.
# Fall back to the default flavour where only that is installed.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(tool gcc)
  else()
    set(tool g++)
  endif()
  find_program(KORVEL_MINGW_${lang} NAMES ${KORVEL_MINGW_TRIPLET}-${tool}-posix ${KORVEL_MINGW_TRIPLET}-${tool}
               NO_CACHE REQUIRED)
  set(CMAKE_${lang}_COMPILER ${KORVEL_MINGW_${lang}})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${KORVEL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
