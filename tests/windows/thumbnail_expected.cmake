# Included by the thumbnail tests: lays out in EXPECTED one PNG per sample,
# NAME.png, holding the native host's first picture of it (for a tape or
# disk image of several pictures, the first that `korvel identify` lists
# with a size). Needs WORK (with native-png from wine_inputs), SAMPLES, HOST
# and EXPECTED set.

file(REMOVE_RECURSE "${EXPECTED}")
file(MAKE_DIRECTORY "${EXPECTED}")
file(GLOB samples RELATIVE "${SAMPLES}" "${SAMPLES}/*")
list(LENGTH samples sample_count)
foreach(sample IN LISTS samples)
  set(first "${WORK}/native-png/samples/${sample}.png")
  if(NOT EXISTS "${first}")
    execute_process(COMMAND ${HOST} identify "${SAMPLES}/${sample}" OUTPUT_VARIABLE listed)
    string(REGEX MATCH ": ([^:\n]+): [^\n]*, [0-9]+×[0-9]+\n" line "${listed}")
    set(first "${WORK}/native-png/samples/${sample}.${CMAKE_MATCH_1}.png")
  endif()
  if(NOT EXISTS "${first}")
    message(FATAL_ERROR "the native host gave no first picture of ${sample}")
  endif()
  file(COPY_FILE "${first}" "${EXPECTED}/${sample}.png")
endforeach()
