# Shared part of the cross toolchain files: Debian's cross compilers for the
# device's processor, and qemu-user to run the built programs on the host.
# Set cross_triple and cross_processor before including this file. The prefix
# and the sysroot stay variables: the device's own C library may live elsewhere.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${cross_processor})
set(SET_CONFIG_CROSS_PREFIX "${cross_triple}-" CACHE STRING "Cross compiler prefix")
set(SET_CONFIG_SYSROOT "/usr/${cross_triple}" CACHE PATH "Target C library root")
set(CMAKE_C_COMPILER ${SET_CONFIG_CROSS_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${SET_CONFIG_CROSS_PREFIX}g++)
set(CMAKE_FIND_ROOT_PATH ${SET_CONFIG_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${cross_processor};-L;${SET_CONFIG_SYSROOT})

# The smallest MIPS code for the device's 16 KiB: not position-independent,
# calls through a PLT, and link-time optimisation (the presets turn it on for
# every target; GoogleTest's own build follows).
string(APPEND CMAKE_CXX_FLAGS_INIT " -fno-pie -mplt")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -no-pie -Wl,--build-id=none")
set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)
