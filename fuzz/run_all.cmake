# Runs every fuzz target for SECONDS seconds (default 60) on a copy of its seed
# corpus and prints its execution count: cmake -DSECONDS=60 -P fuzz/run_all.cmake
# Expects the fuzz preset built (cmake --workflow --preset fuzz).
if(NOT SECONDS)
  set(SECONDS 60)
endif()
set(source ${CMAKE_CURRENT_LIST_DIR}/..)
set(work ${source}/build/fuzz/work)
foreach(target builder environment locator region view)
  file(REMOVE_RECURSE ${work}/${target})
  file(MAKE_DIRECTORY ${work}/${target})
  execute_process(
    COMMAND ${source}/build/fuzz/fuzz/${target}_fuzz -max_total_time=${SECONDS} -print_final_stats=1
            ${work}/${target} ${source}/fuzz/corpus/${target}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX MATCH "Done [0-9]+ runs in [0-9]+ second" done "${output}")
  if(NOT status EQUAL 0 OR NOT done)
    message("${output}")
    message(FATAL_ERROR "${target}_fuzz failed")
  endif()
  message(STATUS "${target}_fuzz: ${done}s")
endforeach()
