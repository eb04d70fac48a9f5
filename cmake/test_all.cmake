# Runs every test configuration: cmake -P cmake/test_all.cmake
# Each is a workflow preset (configure, build, test).
# host: the host build; asan: under AddressSanitizer and UndefinedBehaviorSanitizer;
# valgrind: the whole-program runs under memcheck; mipsel: the device's release
# build under qemu, with its size budget; mips: big-endian, under qemu;
# mipsel-static: the static device programs (musl), the whole-program tests on
# them under qemu and the device lab; fuzz: the libFuzzer targets, each run as a
# test for SET_CONFIG_FUZZ_SECONDS (30 in the preset); package: the Debian
# package, made and then checked (its files, lintian, and the demo run with its
# programs).
# The configurations run in two lanes side by side (cmake/test_lanes.sh), each
# lane one configuration after another; mipsel-static runs the host build's
# whole-program tests on its programs, so it follows host. Each
# configuration's output is in build/logs/NAME.log; the lines printed say when
# each passed, and how long it took.
set(lanes "host mipsel-static mips package" "asan valgrind mipsel fuzz")
set(source ${CMAKE_CURRENT_LIST_DIR}/..)
execute_process(COMMAND bash ${source}/cmake/test_lanes.sh ${lanes} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tests failed")
endif()

# The device programs' sizes, for the log; their presets' tests check the budgets.
foreach(build mipsel mipsel-static)
  foreach(tool set_config show_config)
    file(SIZE ${source}/build/${build}/${tool} size)
    message(STATUS "${build}/${tool}: ${size} bytes")
  endforeach()
endforeach()
message(STATUS "all test configurations passed")
