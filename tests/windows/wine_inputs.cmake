cmake_minimum_required(VERSION 3.25)
# Lays out the inputs of the Wine tests, the sample set and the vectors, and
# converts them with the native host, in-process and through the native
# plug-ins: the pictures the Windows hosts must match each way.
# -DWORK= -DSAMPLES= -DMAKE_VECTORS= -DHOST= -DPLUGINS=

file(REMOVE_RECURSE "${WORK}/inputs" "${WORK}/native-png" "${WORK}/native-plugin-png")
file(MAKE_DIRECTORY "${WORK}/inputs/samples")
file(GLOB samples "${SAMPLES}/*")
file(COPY ${samples} DESTINATION "${WORK}/inputs/samples")
execute_process(COMMAND ${MAKE_VECTORS} "${WORK}/inputs/vectors" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_wine_vectors failed")
endif()
execute_process(COMMAND ${HOST} convert "${WORK}/inputs" -o "${WORK}/native-png" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the native host failed on ${WORK}/inputs")
endif()
set(plugin_arguments "")
foreach(plugin IN LISTS PLUGINS)
  list(APPEND plugin_arguments --plugin ${plugin})
endforeach()
execute_process(COMMAND ${HOST} convert "${WORK}/inputs" -o "${WORK}/native-plugin-png" ${plugin_arguments}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the native host failed on ${WORK}/inputs through the plug-ins")
endif()
