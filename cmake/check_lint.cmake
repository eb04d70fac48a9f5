# Fails unless the project's sources pass TOOL: clang-format (the .clang-format
# style, nothing to change) or clang-tidy (the .clang-tidy checks, on the host
# build's compile commands in BUILD). Fuzz targets and the benchmark's C helpers
# are formatted but not tidied: the host build does not compile them.
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE sources RELATIVE ${SOURCE}
     ${SOURCE}/calibration/*.cc ${SOURCE}/calibration/*.h ${SOURCE}/config/*.cc ${SOURCE}/config/*.h
     ${SOURCE}/base/*.cc ${SOURCE}/base/*.h ${SOURCE}/programs/*.cc ${SOURCE}/programs/*.h
     ${SOURCE}/examples/*.cc ${SOURCE}/examples/*.h ${SOURCE}/tests/*.cc ${SOURCE}/tests/*.h
     ${SOURCE}/fuzz/*.cc ${SOURCE}/fuzz/*.h ${SOURCE}/bench/*.c)
if(TOOL MATCHES "clang-format")
  execute_process(COMMAND ${TOOL} --dry-run --Werror ${sources} WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE status)
else()
  list(FILTER sources INCLUDE REGEX "\\.cc$")
  list(FILTER sources EXCLUDE REGEX "^(fuzz|bench)/")
  # The analyzer's path checks run on the programs' own sources, which the
  # device runs; the tests (run under ASan and valgrind besides) get the other
  # checks, at a third of the analyzer's cost.
  set(tests ${sources})
  list(FILTER tests INCLUDE REGEX "(^tests/|_test\\.cc$)")
  list(FILTER sources EXCLUDE REGEX "(^tests/|_test\\.cc$)")
  set(status 0)
  foreach(part sources tests)
    set(checks)
    if(part STREQUAL "tests")
      set(checks -checks=-clang-analyzer-*)
    endif()
    execute_process(COMMAND ${TOOL} -p ${BUILD} -quiet ${checks} ${${part}} WORKING_DIRECTORY ${SOURCE}
                    RESULT_VARIABLE part_status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT part_status EQUAL 0)
      message("${output}")
      set(status ${part_status})
    endif()
  endforeach()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} found something to mend")
endif()
