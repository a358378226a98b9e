# GoogleTest comes as sources (Debian's googletest package); it is built with whatever compiler this build uses,
# so the same sources serve the host tests and the Windows tests.
set(VELTRANE_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(NOT EXISTS "${VELTRANE_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${VELTRANE_GTEST_SOURCE_DIR} (run scripts/setup.sh)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${VELTRANE_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# GoogleTest again for host tests built with ThreadSanitizer, which must not link code built with the other
# sanitizers.
if(NOT VELTRANE_WINDOWS)
  set(veltrane_gtest_dir "${VELTRANE_GTEST_SOURCE_DIR}/googletest")
  add_library(veltrane_gtest_tsan STATIC EXCLUDE_FROM_ALL
    "${veltrane_gtest_dir}/src/gtest-all.cc" "${veltrane_gtest_dir}/src/gtest_main.cc")
  target_include_directories(veltrane_gtest_tsan SYSTEM PUBLIC "${veltrane_gtest_dir}/include")
  target_include_directories(veltrane_gtest_tsan PRIVATE "${veltrane_gtest_dir}")
  find_package(Threads REQUIRED)
  target_link_libraries(veltrane_gtest_tsan PUBLIC Threads::Threads)
  veltrane_use_thread_sanitizer(veltrane_gtest_tsan)
endif()
