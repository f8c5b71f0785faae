cmake_minimum_required(VERSION 3.25)
# Installs libkorvel into a fresh prefix and builds the README's example
# against it as a user would, with pkg-config, shared and static; each must
# list the sample disk image's pictures.
# -DBUILD= -DWORK= -DEXAMPLE= -DSAMPLE= -DCC= -DPKG_CONFIG= -DEXPECTED=

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix --component library
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
file(GLOB_RECURSE pc_files "${WORK}/prefix/*/korvel.pc")
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
foreach(query --cflags --libs)
  execute_process(COMMAND ${PKG_CONFIG} ${query} korvel OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config ${query} korvel failed")
  endif()
  separate_arguments(flags_${query} UNIX_COMMAND "${flags}")
endforeach()
execute_process(COMMAND ${PKG_CONFIG} --variable=libdir korvel OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)

execute_process(COMMAND ${CC} -std=c99 -Wall -Wextra -pedantic -Werror -o ${WORK}/shared ${EXAMPLE} ${flags_--cflags}
                        ${flags_--libs} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the example does not build with pkg-config --cflags --libs korvel")
endif()
execute_process(COMMAND ${CC} -std=c99 -o ${WORK}/static ${EXAMPLE} ${flags_--cflags} ${libdir}/libkorvel.a -lz -lm
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the example does not link libkorvel.a and zlib with a C compiler alone")
endif()
set(ENV{LD_LIBRARY_PATH} "${libdir}")
foreach(program shared static)
  execute_process(COMMAND ${WORK}/${program} ${SAMPLE} OUTPUT_VARIABLE output RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT output STREQUAL EXPECTED)
    message(FATAL_ERROR "the ${program} example printed\n${output}instead of\n${EXPECTED}")
  endif()
endforeach()
