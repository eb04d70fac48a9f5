# Tests of the static device build: each program statically linked and within
# its budget; every whole-program test of the host build's suite (the suites of
# SET_CONFIG_WHOLE_PROGRAM_SUITES) run on these programs under qemu-mipsel,
# without a sysroot; and the device lab, which boots them on a real kernel MTD
# flash on two processor models, and cuts their power in the middle of a write
# on the board's NOR flash.
enable_testing()
set(SET_CONFIG_HOST_TESTS "" CACHE FILEPATH
    "The host build's test program, whose whole-program tests run the device programs")
set(SET_CONFIG_STATIC_BUDGET "" CACHE STRING "Most bytes each stripped static device program may have")
foreach(setting SET_CONFIG_HOST_TESTS SET_CONFIG_STATIC_BUDGET)
  if(NOT ${setting})
    message(FATAL_ERROR "${setting} is not set (the mipsel-static preset sets it)")
  endif()
endforeach()

foreach(tool set_config show_config)
  add_test(NAME ${tool}_is_static_within_budget
    COMMAND ${CMAKE_COMMAND} -DBINARY=$<TARGET_FILE:${tool}> -DMAX=${SET_CONFIG_STATIC_BUDGET}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_static.cmake)
endforeach()

add_test(NAME whole_program_tests_on_the_device_programs
  COMMAND ${SET_CONFIG_HOST_TESTS} --gtest_brief=1 "--gtest_filter=${SET_CONFIG_WHOLE_PROGRAM_FILTER}")
set_tests_properties(whole_program_tests_on_the_device_programs PROPERTIES ENVIRONMENT
  "SET_CONFIG_UNDER_TEST=$<TARGET_FILE:set_config>;SHOW_CONFIG_UNDER_TEST=$<TARGET_FILE:show_config>;SET_CONFIG_TEST_EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}")

# The board's default processor (a 24Kc) and one without a floating-point unit.
foreach(cpu default 4KEc)
  set(model ${cpu})
  if(cpu STREQUAL "default")
    set(model "")
  endif()
  add_test(NAME device_lab_${cpu}
    COMMAND ${PROJECT_SOURCE_DIR}/lab/run.sh $<TARGET_FILE_DIR:set_config> ${PROJECT_SOURCE_DIR}/examples
            ${CMAKE_BINARY_DIR}/lab-${cpu} ${model})
  set_tests_properties(device_lab_${cpu} PROPERTIES TIMEOUT 900 RESOURCE_LOCK device_lab)
endforeach()

# Power cuts on the board's NOR flash, kept in a file across the cut: a run cut
# in the middle of its write, then completed after the next boot.
add_test(NAME device_lab_power_cut
  COMMAND ${PROJECT_SOURCE_DIR}/lab/flash.sh $<TARGET_FILE_DIR:set_config> ${PROJECT_SOURCE_DIR}/examples
          ${CMAKE_BINARY_DIR}/lab-flash)
set_tests_properties(device_lab_power_cut PROPERTIES TIMEOUT 480 RESOURCE_LOCK device_lab)
