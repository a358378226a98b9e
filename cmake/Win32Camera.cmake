# The 32-bit camera: a host loads Veltrane.ax into its own process, so 32-bit hosts need a 32-bit module. The 64-bit
# Windows build makes it with the i686 cross compiler as a camera-only sub-build in <build>/win32/ (the module laid
# out in <build>/win32/camera/, the capture tool in <build>/win32/tools/, and the camera's end-to-end tests, which
# tests/e2e runs under Wine in this build's prefix). Sets VELTRANE_WIN32_DIR, and VELTRANE_CAMERA32 and
# VELTRANE_CAPTURE32 (the module and the capture tool, for the installer package and its tests) when the sub-build
# is made.
set(VELTRANE_WIN32_DIR "")
find_program(VELTRANE_I686_CXX NAMES i686-w64-mingw32-g++-posix i686-w64-mingw32-g++)
if(NOT VELTRANE_I686_CXX)
  message(WARNING "i686-w64-mingw32-g++ not found: the 32-bit camera is not built and its tests are not run "
    "(scripts/setup.sh installs the i686 MinGW-w64 cross compiler)")
  return()
endif()

include(ExternalProject)
set(VELTRANE_WIN32_DIR "${CMAKE_BINARY_DIR}/win32")
# Built every time (the sub-build itself finds what changed); with a Makefile generator the default build command
# is $(MAKE), which shares the outer build's job slots. No install step. The sub-build uses this build's Wine
# prefix, made before it, so that the two do not both create it.
ExternalProject_Add(win32_camera
  SOURCE_DIR "${CMAKE_SOURCE_DIR}"
  BINARY_DIR "${VELTRANE_WIN32_DIR}"
  PREFIX "${CMAKE_BINARY_DIR}/win32-external"
  CMAKE_ARGS
    "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-i686.cmake"
    -DCMAKE_BUILD_TYPE=Release
    -DVELTRANE_CAMERA_ONLY=ON
    "-DVELTRANE_WINEPREFIX=${VELTRANE_WINEPREFIX}"
    "-DVELTRANE_GTEST_SOURCE_DIR=${VELTRANE_GTEST_SOURCE_DIR}"
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS "${VELTRANE_WIN32_DIR}/camera/Veltrane.ax" "${VELTRANE_WIN32_DIR}/tools/veltrane-capture.exe"
  INSTALL_COMMAND ""
  DEPENDS wineprefix)
set(VELTRANE_CAMERA32 "${VELTRANE_WIN32_DIR}/camera/Veltrane.ax")
set(VELTRANE_CAPTURE32 "${VELTRANE_WIN32_DIR}/tools/veltrane-capture.exe")
