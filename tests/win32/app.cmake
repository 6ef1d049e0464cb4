# The tray program's window procedure, tray status, menu and dialogs, with
# both links and the shell's tray replaced at link time by app_doubles.cpp.
add_wine_test(app_shell_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app_window_tests.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/app_dialog_tests.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/app_doubles.cpp
          $<TARGET_OBJECTS:bench_registry_fixture>
          $<TARGET_OBJECTS:bench_box_recorder>
          ${CMAKE_CURRENT_SOURCE_DIR}/integrity_stand_ins.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/version_resource.rc
          ${TAVRIN_RC}
  LIBS app_core gtest_main advapi32)
target_include_directories(app_shell_tests PRIVATE ${PROJECT_SOURCE_DIR}/res)
# The script's icons, bitmap and pieces are dependencies set in app/, where
# a source property only reaches app/'s own targets: a changed picture must
# rebuild this test's resources too.
get_source_file_property(TAVRIN_RC_DEPENDS ${TAVRIN_RC} DIRECTORY ${PROJECT_SOURCE_DIR}/app OBJECT_DEPENDS)
set_source_files_properties(${TAVRIN_RC} PROPERTIES OBJECT_DEPENDS "${TAVRIN_RC_DEPENDS}")
# The shutdown runs once per process: its tests get a process of their own.
set_tests_properties(app_shell_tests PROPERTIES ENVIRONMENT "GTEST_FILTER=-ShutDownTest.*")
add_test(NAME app_shutdown_tests
         COMMAND ${PROJECT_SOURCE_DIR}/tests/bench/wine-run.sh $<TARGET_FILE:app_shell_tests> --gtest_filter=ShutDownTest.*)
set_tests_properties(app_shutdown_tests PROPERTIES LABELS wine SKIP_RETURN_CODE 77)
