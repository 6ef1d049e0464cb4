# The real interpreter seam (app/win32_input.cpp) observed through low-level
# hooks, the interpreter lock and the About monitor's hand-over.
add_wine_test(seam_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/seam_keyboard_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/seam_mouse_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/seam_lock_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/seam_hooks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/seam_feed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/seam_globals.cpp
    $<TARGET_OBJECTS:bench_loopback_peer>
    $<TARGET_OBJECTS:bench_windows95_copy>
    ${PROJECT_SOURCE_DIR}/app/win32_input.cpp
    ${PROJECT_SOURCE_DIR}/app/keyboard_layout.cpp
  LIBS interp links gtest_main user32 advapi32 ws2_32)
target_include_directories(seam_test PRIVATE ${PROJECT_SOURCE_DIR}/app)

# ,goto once more on a screen of another size: a private display of that size
# for this run alone.
add_test(NAME seam_pointer_800x600
         COMMAND ${PROJECT_SOURCE_DIR}/tests/bench/wine-run.sh $<TARGET_FILE:seam_test> --gtest_filter=SeamPointer.*)
set_tests_properties(seam_pointer_800x600 PROPERTIES LABELS wine SKIP_RETURN_CODE 77
  ENVIRONMENT "DISPLAY=;BENCH_SCREEN=800x600x24;TAVRIN_EXPECT_SCREEN=800x600")
