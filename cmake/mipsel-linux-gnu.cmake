# The device: MIPS32, little-endian.
set(cross_triple mipsel-linux-gnu)
set(cross_processor mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
