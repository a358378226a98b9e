# Windows tests and tools run under Wine, in a private prefix inside the build tree (never the user's own).
set(VELTRANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix used by the tests")
set(VELTRANE_WINE_RUN "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
set(CMAKE_CROSSCOMPILING_EMULATOR "${VELTRANE_WINE_RUN}" CACHE STRING "" FORCE)

# The prefix is made once by the build and reused (and brought up to date when the script changes); system.reg
# appears when wineboot has finished.
add_custom_command(
  OUTPUT "${VELTRANE_WINEPREFIX}/system.reg"
  COMMAND ${CMAKE_COMMAND} -E env "WINEPREFIX=${VELTRANE_WINEPREFIX}" "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh"
  COMMAND ${CMAKE_COMMAND} -E touch "${VELTRANE_WINEPREFIX}/system.reg"
  DEPENDS "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh"
  COMMENT "Creating the Wine prefix ${VELTRANE_WINEPREFIX}"
  VERBATIM)
add_custom_target(wineprefix ALL DEPENDS "${VELTRANE_WINEPREFIX}/system.reg")

# A Windows path (as Wine maps the Linux root to drive Z:) for a path of this machine.
function(veltrane_wine_path out path)
  string(REPLACE "/" "\\" winpath "${path}")
  set(${out} "Z:${winpath}" PARENT_SCOPE)
endfunction()

# One test process per area: each test executable is one ctest entry run through Wine.
function(veltrane_add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "WINEPREFIX=${VELTRANE_WINEPREFIX}"
    TIMEOUT 600)
  add_dependencies(${target} wineprefix)
endfunction()

# A pristine prefix, never used itself: tests that need a fresh machine run in a new copy of it
# (scripts/with-fresh-prefix.sh), which is much quicker than making a prefix.
set(VELTRANE_FRESH_WINEPREFIX "${CMAKE_BINARY_DIR}/fresh-wineprefix")
add_custom_command(
  OUTPUT "${VELTRANE_FRESH_WINEPREFIX}/system.reg"
  COMMAND ${CMAKE_COMMAND} -E env "WINEPREFIX=${VELTRANE_FRESH_WINEPREFIX}" "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh"
  COMMAND ${CMAKE_COMMAND} -E touch "${VELTRANE_FRESH_WINEPREFIX}/system.reg"
  DEPENDS "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh"
  COMMENT "Creating the pristine Wine prefix ${VELTRANE_FRESH_WINEPREFIX}"
  VERBATIM)
add_custom_target(fresh_wineprefix DEPENDS "${VELTRANE_FRESH_WINEPREFIX}/system.reg")
