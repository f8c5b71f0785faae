cmake_minimum_required(VERSION 3.25)
# The Windows host of one architecture converts the inputs twice: with its
# built-in readers (every picture must have the native host's pixels, and
# every sample must be a picture), and through the Windows plug-ins named
# with --plugin (every file's picture must be the native host's through the
# native plug-ins). -DWINE= -DPREFIX= -DWORK= -DTREE= -DARCH= -DCOMPARE=
# -DSAMPLES= -DPLUGIN_NAMES=

include(${CMAKE_CURRENT_LIST_DIR}/wine_paths.cmake)
set(output "${WORK}/windows-png-${ARCH}")
file(REMOVE_RECURSE "${output}")
WindowsPath(inputs "${WORK}/inputs")
WindowsPath(folder "${output}")
execute_process(COMMAND ${WINE} ${TREE}/korvel.exe convert ${inputs} -o ${folder} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "korvel.exe (${ARCH}) failed on ${inputs} (status ${rc})")
endif()
file(GLOB samples RELATIVE "${SAMPLES}" "${SAMPLES}/*")
list(LENGTH samples sample_count)
foreach(sample IN LISTS samples)
  # A tape or disk image of several pictures gives SAMPLE.LABEL.png each.
  file(GLOB labelled "${WORK}/native-png/samples/${sample}.*.png")
  if(NOT EXISTS "${WORK}/native-png/samples/${sample}.png" AND NOT labelled)
    message(FATAL_ERROR "the sample ${sample} gave no picture")
  endif()
endforeach()
execute_process(COMMAND ${COMPARE} "${WORK}/native-png" "${output}" ${sample_count} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the ${ARCH} pictures differ from the native ones")
endif()

set(plugin_output "${WORK}/windows-plugin-png-${ARCH}")
file(REMOVE_RECURSE "${plugin_output}")
WindowsPath(folder "${plugin_output}")
set(plugin_arguments "")
foreach(name IN LISTS PLUGIN_NAMES)
  WindowsPath(dll "${TREE}/${name}.dll")
  list(APPEND plugin_arguments --plugin ${dll})
endforeach()
execute_process(COMMAND ${WINE} ${TREE}/korvel.exe convert ${inputs} -o ${folder} ${plugin_arguments}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "korvel.exe (${ARCH}) through the plug-ins failed on ${inputs} (status ${rc})")
endif()
execute_process(COMMAND ${COMPARE} "${WORK}/native-plugin-png" "${plugin_output}" ${sample_count} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the ${ARCH} pictures through the plug-ins differ from the native ones")
endif()

# The Windows PNG writer never overwrites unasked, and does with --force.
list(GET samples 0 sample)
WindowsPath(input "${WORK}/inputs/samples/${sample}")
WindowsPath(existing "${output}/samples/${sample}.png")
file(SHA256 "${output}/samples/${sample}.png" before)
execute_process(COMMAND ${WINE} ${TREE}/korvel.exe convert ${input} -o ${existing}
                RESULT_VARIABLE rc ERROR_VARIABLE errors)
file(SHA256 "${output}/samples/${sample}.png" after)
if(rc EQUAL 0 OR NOT errors MATCHES "already exists" OR NOT before STREQUAL after)
  message(FATAL_ERROR "korvel.exe (${ARCH}) without --force: status ${rc}, '${errors}'")
endif()
file(WRITE "${output}/samples/${sample}.png" "not a picture")
execute_process(COMMAND ${WINE} ${TREE}/korvel.exe convert ${input} -o ${existing} --force RESULT_VARIABLE rc)
file(SHA256 "${output}/samples/${sample}.png" forced)
if(NOT rc EQUAL 0 OR NOT forced STREQUAL before)
  message(FATAL_ERROR "korvel.exe (${ARCH}) with --force did not write ${existing} anew (status ${rc})")
endif()
