# Fails unless BINARY is statically linked (no program interpreter, no dynamic
# section: nothing to load at run time) and at most MAX bytes; prints its size.
execute_process(COMMAND readelf -l -d ${BINARY} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "readelf -l -d ${BINARY} failed")
endif()
if(headers MATCHES "INTERP" OR NOT headers MATCHES "There is no dynamic section")
  message(FATAL_ERROR "${BINARY} is not statically linked:\n${headers}")
endif()
file(SIZE ${BINARY} size)
message(STATUS "${BINARY}: statically linked, ${size} bytes (budget ${MAX})")
if(size GREATER MAX)
  message(FATAL_ERROR "${BINARY} is ${size} bytes, over the budget of ${MAX}")
endif()
