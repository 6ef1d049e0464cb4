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
    ${CMAKE_CURRENT_LIST_DIR}/windows95_copy.cpp
    ${PROJECT_SOURCE_DIR}/app/win32_input.cpp
  LIBS interp gtest_main user32 advapi32)
target_include_directories(seam_test PRIVATE ${PROJECT_SOURCE_DIR}/app)
