# Fails when BINARY is larger than MAX bytes; prints its size either way.
file(SIZE ${BINARY} size)
message(STATUS "${BINARY}: ${size} bytes (budget ${MAX})")
if(size GREATER MAX)
  message(FATAL_ERROR "${BINARY} is ${size} bytes, over the budget of ${MAX}")
endif()
