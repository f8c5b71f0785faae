# Runs one fuzzer once over a fresh seed corpus and the kept regression inputs
# (no mutation): every input must load or be refused without a sanitizer
# report. -D FUZZER, SEEDS_TOOL, SEEDS (a folder to write), REGRESSIONS.

file(REMOVE_RECURSE ${SEEDS})
execute_process(COMMAND ${SEEDS_TOOL} ${SEEDS} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "writing the seeds failed: ${result}")
endif()
set(inputs ${SEEDS})
if(IS_DIRECTORY ${REGRESSIONS})
  list(APPEND inputs ${REGRESSIONS})
endif()
execute_process(COMMAND ${FUZZER} -runs=0 -detect_leaks=1 ${inputs} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed on an input: ${result}")
endif()
