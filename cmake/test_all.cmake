# Runs every test configuration in turn: cmake -P cmake/test_all.cmake
# Each is a workflow preset (configure, build, test); the first failure stops.
set(workflows host asan valgrind)
foreach(workflow IN LISTS workflows)
  message(STATUS "==== ${workflow}")
  execute_process(COMMAND ${CMAKE_COMMAND} --workflow --preset ${workflow}
                  WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/.. RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${workflow}: tests failed")
  endif()
endforeach()
message(STATUS "all test configurations passed: ${workflows}")
