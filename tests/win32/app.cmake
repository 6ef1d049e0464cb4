# The tray program's window procedure, tray status, menu and dialogs, with
# both links and the shell's tray replaced at link time by app_doubles.cpp.
add_wine_test(app_shell_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app_window_tests.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/app_dialog_tests.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/app_doubles.cpp
          ${TAVRIN_RC}
  LIBS app_core gtest_main)
target_include_directories(app_shell_tests PRIVATE ${PROJECT_SOURCE_DIR}/res)
