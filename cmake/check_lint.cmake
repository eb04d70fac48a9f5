# Fails unless the project's sources pass TOOL: clang-format (the .clang-format
# style, nothing to change) or clang-tidy (the .clang-tidy checks, on the host
# build's compile commands in BUILD). Fuzz targets and the benchmark's C helpers
# are formatted but not tidied: the host build does not compile them.
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
  execute_process(COMMAND ${TOOL} -p ${BUILD} -quiet ${sources} WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message("${output}")
  endif()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} found something to mend")
endif()
