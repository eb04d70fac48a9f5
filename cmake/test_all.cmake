# Runs every test configuration in turn: cmake -P cmake/test_all.cmake
# Each is a workflow preset (configure, build, test); the first failure stops.
# host: the host build; asan: under AddressSanitizer and UndefinedBehaviorSanitizer;
# valgrind: the whole-program runs under memcheck; mipsel: the device's release
# build under qemu, with its size budget; mips: big-endian, under qemu;
# mipsel-static: the static device programs (musl), the whole-program tests on
# them under qemu and the device lab; fuzz: the libFuzzer targets, each run as a
# test for SET_CONFIG_FUZZ_SECONDS (60 in the preset); package: the Debian
# package, made and then checked (its files, lintian, and the demo run with its
# programs).
set(workflows host asan valgrind mipsel mips mipsel-static fuzz package)
set(source ${CMAKE_CURRENT_LIST_DIR}/..)
string(TIMESTAMP began "%s")
set(times "")
foreach(workflow IN LISTS workflows)
  message(STATUS "==== ${workflow}")
  string(TIMESTAMP start "%s")
  execute_process(COMMAND ${CMAKE_COMMAND} --workflow --preset ${workflow}
                  WORKING_DIRECTORY ${source} RESULT_VARIABLE status)
  string(TIMESTAMP end "%s")
  math(EXPR seconds "${end} - ${start}")
  message(STATUS "==== ${workflow}: ${seconds} s")
  string(APPEND times " ${workflow} ${seconds} s;")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${workflow}: tests failed")
  endif()
endforeach()

# The device programs' sizes, for the log; their presets' tests check the budgets.
foreach(build mipsel mipsel-static)
  foreach(tool set_config show_config)
    file(SIZE ${source}/build/${build}/${tool} size)
    message(STATUS "${build}/${tool}: ${size} bytes")
  endforeach()
endforeach()
string(TIMESTAMP ended "%s")
math(EXPR total "${ended} - ${began}")
message(STATUS "each configuration's time:${times}")
message(STATUS "all test configurations passed in ${total} s: ${workflows}")
