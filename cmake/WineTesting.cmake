# Tests are Windows programs: CTest runs each through a wrapper that starts it under Wine in a
# prefix kept in the build folder. Nothing here runs Wine at configure time.
set(TESSEL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
  @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# One GoogleTest program, registered as one test.
function(tessel_add_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE deps::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
