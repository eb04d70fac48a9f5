# MIPS32 big-endian: proves that every byte written is little-endian whatever the host.
set(cross_triple mips-linux-gnu)
set(cross_processor mips)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
