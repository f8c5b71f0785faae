# Installs the build into a fresh prefix and readies it as a desktop would:
# the MIME database updated and a gdk-pixbuf loaders cache for the installed
# modules. Nothing outside PREFIX is touched.
#   -DBUILD_DIR= -DPREFIX= -DLOADER_DIR= (relative to the prefix)
#   -DMODULES= (the module file names, separated by ",")
#   -DQUERY_LOADERS= -DUPDATE_MIME_DATABASE=

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${PREFIX}")
file(MAKE_DIRECTORY "${PREFIX}")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

set(modules "")
string(REPLACE "," ";" MODULES "${MODULES}")
foreach(name IN LISTS MODULES)
  list(APPEND modules "${PREFIX}/${LOADER_DIR}/${name}")
endforeach()
foreach(installed IN LISTS modules ITEMS "${PREFIX}/share/mime/packages/korvel-zx.xml"
                                         "${PREFIX}/share/thumbnailers/korvel.thumbnailer")
  if(NOT EXISTS "${installed}")
    message(FATAL_ERROR "not installed: ${installed}\n${out}")
  endif()
endforeach()

# Each module gives gdk-pixbuf its two entry points and nothing else, and
# brings no C++ runtime of its own into the viewer.
foreach(module IN LISTS modules)
  execute_process(COMMAND nm -D --defined-only "${module}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  string(REGEX MATCHALL "[^ \n]+\n" lines "${symbols}")
  set(exported "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" name)
    list(APPEND exported "${name}")
  endforeach()
  list(SORT exported)
  if(NOT rc EQUAL 0 OR NOT exported STREQUAL "fill_info;fill_vtable")
    message(FATAL_ERROR "${module} exports [${exported}], expected [fill_info;fill_vtable]")
  endif()
  execute_process(COMMAND readelf -d "${module}" OUTPUT_VARIABLE dynamic)
  if(dynamic MATCHES "Shared library: \\[(libstdc\\+\\+|libgcc_s)")
    message(FATAL_ERROR "${module} needs a C++ runtime:\n${dynamic}")
  endif()
endforeach()

execute_process(COMMAND "${UPDATE_MIME_DATABASE}" "${PREFIX}/share/mime"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS "${PREFIX}/share/mime/mime.cache")
  message(FATAL_ERROR "update-mime-database failed (${rc}):\n${out}")
endif()
file(READ "${PREFIX}/share/mime/globs2" globs)
foreach(expected "image/x-zx-screen:\\*\\.scr" "image/x-zx-hobeta:\\*\\.\\$s" "image/x-zx-three-colour:\\*\\.xpc"
                 "application/x-zx-tap:\\*\\.tap")
  if(NOT globs MATCHES "${expected}")
    message(FATAL_ERROR "the MIME database lacks ${expected}:\n${globs}")
  endif()
endforeach()
# .rgb is SGI's; *.[1-9] are manual pages.
if(globs MATCHES ":(image|application)/x-zx-[^:\n]*:\\*\\.(rgb|[1-9])(\n|$)")
  message(FATAL_ERROR "the installed MIME types claim .rgb or a manual page section:\n${globs}")
endif()

execute_process(COMMAND "${QUERY_LOADERS}" ${modules}
                RESULT_VARIABLE rc OUTPUT_VARIABLE cache ERROR_VARIABLE err)
string(REGEX MATCHALL "\n\"korvel[a-z0-9-]*\"" names "${cache}")
list(LENGTH names taken)
list(LENGTH modules expected)
if(NOT rc EQUAL 0 OR NOT taken EQUAL expected)
  message(FATAL_ERROR "gdk-pixbuf-query-loaders did not take every module (${rc}):\n${cache}\n${err}")
endif()
file(WRITE "${PREFIX}/loaders.cache" "${cache}")
