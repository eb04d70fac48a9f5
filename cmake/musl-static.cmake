# The device whatever its C library: MIPS32, linked fully static against musl
# with Debian's cross g++. By default little-endian, against Debian's
# musl-dev:mipsel; for big-endian set SET_CONFIG_CROSS_TRIPLE to mips-linux-gnu
# and the two musl paths to a musl built for it. Only the header-only parts of
# the C++ library are used; nothing of glibc or libstdc++ is linked. The built
# programs run under qemu-user without a sysroot.
#
# The compile and link rules themselves carry the flags, so that a user's
# CMAKE_CXX_FLAGS or CMAKE_EXE_LINKER_FLAGS adds to them and cannot drop them.
set(SET_CONFIG_CROSS_TRIPLE mipsel-linux-gnu CACHE STRING "The device's target triple (Debian's cross compiler)")
set(cross_triple ${SET_CONFIG_CROSS_TRIPLE})
string(REGEX REPLACE "-.*" "" cross_processor ${cross_triple})
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${cross_processor})
set(SET_CONFIG_CROSS_PREFIX "${cross_triple}-" CACHE STRING "Cross compiler prefix")
set(SET_CONFIG_MUSL_INCLUDE "/usr/include/${cross_processor}-linux-musl" CACHE PATH "musl's headers for the device")
set(SET_CONFIG_MUSL_LIB "/usr/lib/${cross_processor}-linux-musl" CACHE PATH "musl's libc.a and start files for the device")
set(CMAKE_C_COMPILER ${SET_CONFIG_CROSS_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${SET_CONFIG_CROSS_PREFIX}g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${cross_processor})

# What the build takes from the cross g++ (its C++ headers, its own headers and its
# runtime pieces crtbeginT.o, crtend.o and libgcc.a) and from musl, each asked of
# the compiler or looked for, and named when it is missing.
find_program(cross_cxx ${CMAKE_CXX_COMPILER} NO_CACHE)
if(NOT cross_cxx)
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} not found: apt-get install g++-${cross_triple}")
endif()
function(ask_cross_cxx variable)
  execute_process(COMMAND ${cross_cxx} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${cross_cxx} ${ARGN} failed (${status}): ${errors}")
  endif()
  set(${variable} "${output}" PARENT_SCOPE)
endfunction()
function(ask_cross_file variable name)
  ask_cross_cxx(path -print-file-name=${name})
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${cross_cxx} has no ${name}: its installation is incomplete (apt-get install --reinstall "
                        "g++-${cross_triple})")
  endif()
  set(${variable} "${path}" PARENT_SCOPE)
endfunction()
ask_cross_cxx(gcc_version -dumpversion)
ask_cross_cxx(libgcc -print-libgcc-file-name)
if(NOT EXISTS "${libgcc}")
  message(FATAL_ERROR "${cross_cxx} has no libgcc.a (it names ${libgcc}): "
                      "apt-get install libgcc-${gcc_version}-dev-${cross_processor}-cross")
endif()
ask_cross_file(crtbegin crtbeginT.o)
ask_cross_file(crtend crtend.o)
ask_cross_file(gcc_include include)

# libstdc++'s header directories, in the compiler's own order: those of its #include <...>
# search list under a c++ directory (such as /usr/<triple>/include/c++/<version>, its
# <triple> and backward subdirectories in Debian's layout).
execute_process(COMMAND ${cross_cxx} -E -x c++ -v /dev/null RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE search)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${cross_cxx} -E -x c++ -v /dev/null failed (${status}): ${search}")
endif()
string(REGEX REPLACE ".*#include <...> search starts here:\n" "" search "${search}")
string(REGEX REPLACE "\nEnd of search list\\..*" "" search "${search}")
string(REGEX REPLACE "\n" ";" search "${search}")
set(cxx_includes "")
foreach(directory IN LISTS search)
  string(STRIP "${directory}" directory)
  if(directory MATCHES "/c\\+\\+/" AND IS_DIRECTORY "${directory}")
    file(REAL_PATH "${directory}" directory)
    list(APPEND cxx_includes "${directory}")
  endif()
endforeach()
foreach(header type_traits bits/c++config.h)
  set(found FALSE)
  foreach(directory IN LISTS cxx_includes)
    if(EXISTS ${directory}/${header})
      set(found TRUE)
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "no ${header} of libstdc++ in the C++ include directories that ${cross_cxx} searches "
                        "(${cxx_includes}): apt-get install libstdc++-${gcc_version}-dev-${cross_processor}-cross")
  endif()
endforeach()

# musl's headers and its static C library and start files.
foreach(file ${SET_CONFIG_MUSL_INCLUDE}/stdio.h ${SET_CONFIG_MUSL_LIB}/libc.a ${SET_CONFIG_MUSL_LIB}/crt1.o
             ${SET_CONFIG_MUSL_LIB}/crti.o ${SET_CONFIG_MUSL_LIB}/crtn.o)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "musl-dev:${cross_processor} not installed (no ${file}): dpkg --add-architecture "
                        "${cross_processor} && apt-get update && apt-get install musl-dev:${cross_processor}; "
                        "or set SET_CONFIG_MUSL_INCLUDE and SET_CONFIG_MUSL_LIB to a musl built for ${cross_triple}")
  endif()
endforeach()

# libstdc++'s headers before musl's; they ask for glibc versions, which musl answers as new enough.
set(musl_compile "-nostdinc")
foreach(directory IN LISTS cxx_includes)
  string(APPEND musl_compile " -isystem ${directory}")
endforeach()
string(APPEND musl_compile " -isystem ${SET_CONFIG_MUSL_INCLUDE} -isystem ${gcc_include} '-D__GLIBC_PREREQ(maj,min)=1'")
set(musl_start "${SET_CONFIG_MUSL_LIB}/crt1.o ${SET_CONFIG_MUSL_LIB}/crti.o ${crtbegin}")
set(musl_end "${SET_CONFIG_MUSL_LIB}/libc.a ${libgcc} ${SET_CONFIG_MUSL_LIB}/libc.a ${crtend} ${SET_CONFIG_MUSL_LIB}/crtn.o")

foreach(language C CXX)
  set(CMAKE_${language}_COMPILE_OBJECT
      "<CMAKE_${language}_COMPILER> ${musl_compile} <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> -c <SOURCE>")
  set(CMAKE_${language}_LINK_EXECUTABLE
      "<CMAKE_${language}_COMPILER> <FLAGS> <CMAKE_${language}_LINK_FLAGS> <LINK_FLAGS> -nostdlib -static -no-pie -Wl,-z,norelro -Wl,--build-id=none \
${musl_start} <OBJECTS> -o <TARGET> <LINK_LIBRARIES> ${musl_end}")
endforeach()
set(CMAKE_POSITION_INDEPENDENT_CODE OFF)

set(CMAKE_FIND_ROOT_PATH ${SET_CONFIG_MUSL_LIB})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)
