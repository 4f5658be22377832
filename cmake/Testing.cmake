# GoogleTest from Debian's sources, built with the project's own compiler so the
# same tests run natively and (cross-built) under Wine.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)

# zul_add_test(name SOURCES ... LIBS ...): one test program, one CTest entry.
function(zul_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(ZUL_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT WIN32)
      # Temporary files inside the build tree: two trees tested at once (or a
      # native and a sanitizer run) never share a scratch folder. Under Wine
      # the temporary folder is already the build tree's own prefix.
      file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-tmp)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "TMPDIR=${CMAKE_BINARY_DIR}/test-tmp")
    endif()
  endif()
endfunction()
