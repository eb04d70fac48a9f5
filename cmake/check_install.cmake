# Installs the build in BUILD into a scratch prefix and fails unless both tools
# and both manual pages are there.
set(prefix ${BUILD}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file bin/set_config bin/show_config share/man/man1/set_config.1 share/man/man1/show_config.1)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "${file} is not installed")
  endif()
endforeach()
file(REMOVE_RECURSE ${prefix})
