# Cross-compiling for x86_64 Windows with Debian's MinGW-w64 (package mingw-w64;
# zlib for the host from libz-mingw-w64-dev):
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

set(KORVEL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
