# Cross compiling for 32-bit Windows with the MinGW-w64 toolchain: the camera module for 32-bit hosts, which
# load it into their own process.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
