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

# The C++ headers of the cross g++, and its runtime pieces (crtbeginT.o, libgcc.a).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpversion OUTPUT_VARIABLE gcc_version OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(gcc_lib ${libgcc} DIRECTORY)
set(cxx_include /usr/${cross_triple}/include/c++/${gcc_version})

# libstdc++'s headers before musl's; they ask for glibc versions, which musl answers as new enough.
set(musl_compile "-nostdinc -isystem ${cxx_include} -isystem ${cxx_include}/${cross_triple} \
-isystem ${SET_CONFIG_MUSL_INCLUDE} -isystem ${gcc_lib}/include '-D__GLIBC_PREREQ(maj,min)=1'")
set(musl_start "${SET_CONFIG_MUSL_LIB}/crt1.o ${SET_CONFIG_MUSL_LIB}/crti.o ${gcc_lib}/crtbeginT.o")
set(musl_end "${SET_CONFIG_MUSL_LIB}/libc.a ${libgcc} ${SET_CONFIG_MUSL_LIB}/libc.a ${gcc_lib}/crtend.o ${SET_CONFIG_MUSL_LIB}/crtn.o")

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
