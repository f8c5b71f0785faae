# Installs the kde, qt6 and mime components into a fresh prefix and readies
# its MIME database, as a desktop would after a system-wide install. Nothing
# outside PREFIX is touched.
#   -DBUILD_DIR= -DPREFIX= -DUPDATE_MIME_DATABASE= (may be empty)
#   -DEXPECTED= files that must then exist, relative to the prefix

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${PREFIX}")
foreach(component kde qt6 mime)
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" --component ${component}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
  endif()
endforeach()
foreach(installed IN LISTS EXPECTED)
  if(installed AND NOT EXISTS "${PREFIX}/${installed}")
    message(FATAL_ERROR "not installed: ${installed}\n${out}")
  endif()
endforeach()
if(UPDATE_MIME_DATABASE)
  execute_process(COMMAND "${UPDATE_MIME_DATABASE}" "${PREFIX}/share/mime"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "update-mime-database failed (${rc}):\n${out}")
  endif()
endif()
