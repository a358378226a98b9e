# Windows tests and tools run under Wine, in a private prefix inside the build tree (never the user's own).
set(VELTRANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix used by the tests")
set(VELTRANE_WINE_RUN "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
set(CMAKE_CROSSCOMPILING_EMULATOR "${VELTRANE_WINE_RUN}" CACHE STRING "" FORCE)

# Adds target TARGET making the prefix DIR once and reusing it (brought up to date when the script changes);
# system.reg appears when wineboot has finished.
function(veltrane_add_prefix target dir)
  add_custom_command(
    OUTPUT "${dir}/system.reg"
    COMMAND ${CMAKE_COMMAND} -E env "WINEPREFIX=${dir}" "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh"
    COMMAND ${CMAKE_COMMAND} -E touch "${dir}/system.reg"
    DEPENDS "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh"
    COMMENT "Creating the Wine prefix ${dir}"
    VERBATIM)
  add_custom_target(${target} ${ARGN} DEPENDS "${dir}/system.reg")
endfunction()

veltrane_add_prefix(wineprefix "${VELTRANE_WINEPREFIX}" ALL)

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
veltrane_add_prefix(fresh_wineprefix "${VELTRANE_FRESH_WINEPREFIX}")
