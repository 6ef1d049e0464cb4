# The Wine and e2e tests' bench. One Wine prefix per build, booted once by the
# fixture test wine_prefix_template; every test runs on a copy of its own
# (tests/bench/bench-env.sh) and on a display of its own, so that ctest may
# run two at a time.
set(WINE_PREFIX_TEMPLATE ${CMAKE_BINARY_DIR}/wineprefix-template)
# Where this kernel cannot run 32-bit Wine, the 32-bit build's test
# programs and the e2e tests' tools (${WINE_TEST_PROGRAMS} in their
# add_executable) are built only on request, and the Wine test programs'
# tests are disabled; Tavrin.exe is built all the same.
set(WINE_TEST_PROGRAMS "")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # There the 32-bit build's tests all skip and need no prefix.
  set(WINE_BOOT_CONDITION "can_run_32bit_wine || exit 0; ")
  execute_process(
    COMMAND bash -c "source '${PROJECT_SOURCE_DIR}/tests/bench/bench-env.sh' && can_run_32bit_wine"
    RESULT_VARIABLE NO_32BIT_WINE OUTPUT_QUIET ERROR_QUIET)
  if(NO_32BIT_WINE)
    set(WINE_TEST_PROGRAMS EXCLUDE_FROM_ALL)
    message(STATUS "32-bit Wine cannot run here: its test programs and tools are not built, their tests are disabled or skip")
  endif()
endif()
add_test(NAME wine_prefix_template
         COMMAND bash -c "source '${PROJECT_SOURCE_DIR}/tests/bench/bench-env.sh' && ${WINE_BOOT_CONDITION}boot_prefix_template \"$1\""
                 boot ${WINE_PREFIX_TEMPLATE})
set_tests_properties(wine_prefix_template PROPERTIES LABELS "wine;e2e" FIXTURES_SETUP wine_prefix_template
  ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d")

# Called at the end of a folder's CMakeLists: every test of the folder gets
# the template, and runs beside another one unless named after ALONE (a
# test that measures times against tight bounds). A RUN_SERIAL of a test's
# own registration is replaced here.
function(share_wine_bench)
  cmake_parse_arguments(B "" "" "ALONE" ${ARGN})
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test ${tests})
    if(test IN_LIST B_ALONE)
      set(alone TRUE)
    else()
      set(alone FALSE)
    endif()
    set_property(TEST ${test} PROPERTY RUN_SERIAL ${alone})
    # tools/test.sh runs these only once nothing else is being built.
    if(alone)
      set_property(TEST ${test} APPEND PROPERTY LABELS alone)
    endif()
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_prefix_template)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "TAVRIN_PREFIX_TEMPLATE=${WINE_PREFIX_TEMPLATE}")
  endforeach()
endfunction()
