# gdk-pixbuf-thumbnailer, with only the installed prefix's loaders cache and
# MIME types added, turns every sample into a PNG with the korvel host's
# pixels, and refuses hostile files cleanly.
#   -DPREFIX= (made ready by install_into_prefix.cmake) -DSAMPLES_DIR=
#   -DWORK_DIR= -DHOST= -DHELPER= -DTHUMBNAILER=

cmake_minimum_required(VERSION 3.25)

set(ENV{GDK_PIXBUF_MODULE_FILE} "${PREFIX}/loaders.cache")
# The prefix first, then the system's own types, as after a system-wide
# install; no remote file systems.
set(ENV{XDG_DATA_DIRS} "${PREFIX}/share:/usr/local/share:/usr/share")
set(ENV{GIO_USE_VFS} "local")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/input" "${WORK_DIR}/hostile")

# The extensions the installed MIME types give to korvel.
file(STRINGS "${PREFIX}/share/mime/globs2" globs REGEX ":(image|application)/x-zx-[^:]*:\\*\\.")
set(claimed "")
foreach(glob IN LISTS globs)
  string(REGEX REPLACE ".*:\\*(\\..*)$" "\\1" extension "${glob}")
  list(APPEND claimed "${extension}")
endforeach()

set(failures "")
set(checked 0)
file(GLOB samples LIST_DIRECTORIES false "${SAMPLES_DIR}/*")
list(SORT samples)
foreach(sample IN LISTS samples)
  get_filename_component(name "${sample}" NAME)
  get_filename_component(extension "${sample}" LAST_EXT)
  string(TOLOWER "${extension}" extension)
  set(input "${WORK_DIR}/input/${name}")
  if(extension STREQUAL ".rgb" OR extension STREQUAL ".3")
    # .rgb is SGI's type and stays so, and the desktop gives *.[1-9] to manual
    # pages; the same bytes named .xpc have the same layout and do reach the
    # loader.
    set(input "${WORK_DIR}/input/${name}.xpc")
  elseif(NOT extension IN_LIST claimed)
    message(STATUS "skipped ${name}: no korvel MIME type claims ${extension}")
    continue()
  endif()
  file(COPY_FILE "${sample}" "${input}")

  set(host_dir "${WORK_DIR}/host/${name}")
  set(actual "${WORK_DIR}/${name}.thumbnail.png")
  execute_process(COMMAND "${HOST}" convert "${sample}" -o "${host_dir}" --force
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(APPEND failures "${name}: the korvel host did not convert it (${rc}): ${out}")
    continue()
  endif()
  # A tape or disk image of several pictures is shown by its first, the
  # first that `korvel identify` lists with a size.
  set(expected "${host_dir}/${name}.png")
  if(NOT EXISTS "${expected}")
    execute_process(COMMAND "${HOST}" identify "${sample}" OUTPUT_VARIABLE listed)
    string(REGEX MATCH ": ([^:\n]+): [^\n]*, [0-9]+×[0-9]+\n" first "${listed}")
    set(expected "${host_dir}/${name}.${CMAKE_MATCH_1}.png")
    if(NOT EXISTS "${expected}")
      list(APPEND failures "${name}: no first picture among the host's outputs:\n${listed}")
      continue()
    endif()
  endif()
  # The thumbnailer scales every picture to fit the size asked for, up as
  # well as down; asking for the picture's longest side keeps its pixels
  # one to one. That is 256 for every full screen.
  execute_process(COMMAND "${HELPER}" size "${expected}" RESULT_VARIABLE rc OUTPUT_VARIABLE dimensions)
  string(REGEX MATCHALL "[0-9]+" dimensions "${dimensions}")
  set(thumbnail_size 1)
  foreach(d IN LISTS dimensions)
    if(d GREATER thumbnail_size)
      set(thumbnail_size ${d})
    endif()
  endforeach()
  execute_process(COMMAND "${THUMBNAILER}" -s ${thumbnail_size} "${input}" "${actual}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${actual}")
    list(APPEND failures "${name}: gdk-pixbuf-thumbnailer failed (${rc}): ${out}")
    continue()
  endif()
  execute_process(COMMAND "${HELPER}" compare "${expected}" "${actual}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(APPEND failures "${name}: the thumbnail differs from the host's picture: ${out}")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
endforeach()
if(checked EQUAL 0)
  list(APPEND failures "no sample was checked in ${SAMPLES_DIR}")
endif()
message(STATUS "${checked} samples thumbnailed with the host's pixels")

# Hostile files: a clean failure is a nonzero exit status (no signal), an
# error message and no output file.
execute_process(COMMAND "${HELPER}" hostile "${WORK_DIR}/hostile" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not write the hostile files")
endif()
file(GLOB hostile LIST_DIRECTORIES false "${WORK_DIR}/hostile/*")
foreach(file IN LISTS hostile)
  get_filename_component(name "${file}" NAME)
  set(output "${WORK_DIR}/${name}.hostile.png")
  execute_process(COMMAND "${THUMBNAILER}" -s 256 "${file}" "${output}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc MATCHES "^[0-9]+$" OR rc EQUAL 0 OR EXISTS "${output}" OR out STREQUAL "")
    list(APPEND failures "${name}: not refused cleanly (exit ${rc}): ${out}")
  else()
    string(STRIP "${out}" out)
    message(STATUS "refused ${name}: ${out}")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
