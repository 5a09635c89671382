# Shared helpers for the Fenmarrow targets.

# Our own warnings; third-party code (GoogleTest) keeps its defaults.
function(fenmarrow_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(FENMARROW_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Adds NAME_win.cpp or NAME_posix.cpp for each NAME, so that platform code
# lives in file pairs behind one header and no #ifdef reaches the core logic.
function(fenmarrow_platform_sources target)
  foreach(base IN LISTS ARGN)
    if(WIN32)
      target_sources(${target} PRIVATE ${base}_win.cpp)
    else()
      target_sources(${target} PRIVATE ${base}_posix.cpp)
    endif()
  endforeach()
endfunction()

# One GoogleTest binary per module, registered as one CTest test, so that the
# cross build starts Wine once per binary rather than once per test.
function(fenmarrow_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT FENMARROW_BUILD_TESTS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  fenmarrow_warnings(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
