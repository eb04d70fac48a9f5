# Fails when BINARY needs a shared library other than the C library (and the
# dynamic loader that comes with it).
execute_process(COMMAND readelf -d ${BINARY} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "readelf -d ${BINARY} failed")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]*\\]" needed "${dynamic}")
message(STATUS "${BINARY} needs: ${needed}")
foreach(library IN LISTS needed)
  if(NOT library MATCHES "\\[(libc\\.so\\.[0-9]+|ld-[^]]*)\\]")
    message(FATAL_ERROR "${BINARY} needs ${library}: only the C library is allowed")
  endif()
endforeach()
