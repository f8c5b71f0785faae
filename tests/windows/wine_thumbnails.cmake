cmake_minimum_required(VERSION 3.25)
# The thumbnail provider of one architecture as Explorer drives it
# (thumbnail_checks.exe register): every sample's thumbnail at its picture's
# size must have the native host's pixels of its first picture.
# -DWINE= -DPREFIX= -DWORK= -DTREE= -DARCH= -DCOMPARE= -DHOST= -DSAMPLES=

include(${CMAKE_CURRENT_LIST_DIR}/wine_paths.cmake)
set(EXPECTED "${WORK}/thumbnail-expected-${ARCH}")
include(${CMAKE_CURRENT_LIST_DIR}/thumbnail_expected.cmake)
set(output "${WORK}/thumbnails-${ARCH}")
file(REMOVE_RECURSE "${output}" "${WORK}/thumbnail-scratch-${ARCH}")
foreach(path samples expected output scratch dll)
  set(linux_samples "${WORK}/inputs/samples")
  set(linux_expected "${EXPECTED}")
  set(linux_output "${output}")
  set(linux_scratch "${WORK}/thumbnail-scratch-${ARCH}")
  set(linux_dll "${TREE}/korvel_thumbnails.dll")
  WindowsPath(${path} "${linux_${path}}")
endforeach()
execute_process(COMMAND ${WINE} ${TREE}/thumbnail_checks.exe register ${samples} ${expected} ${output} ${scratch} ${dll}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "thumbnail_checks.exe (${ARCH}) failed (status ${rc})")
endif()
execute_process(COMMAND ${COMPARE} "${EXPECTED}" "${WORK}/thumbnails-${ARCH}" ${sample_count} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the ${ARCH} thumbnails differ from the native host's first pictures")
endif()
