# The settings store against Wine's registry, the Configure dialog driven by
# messages, and the string table as the program loads it. The stand-ins
# (failing registry writes, help page and tooltip recorders) are linked
# before app_core, so its copies of those symbols stay out.
set(SETTINGS_TEST_SUPPORT
    ${CMAKE_CURRENT_SOURCE_DIR}/box_recorder.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/registry_fixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings_stand_ins.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings_resources.rc)

add_wine_test(settings_store_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_store_test.cpp ${SETTINGS_TEST_SUPPORT}
  LIBS gtest_main app_core)
add_wine_test(settings_store_win95_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_store_win95_test.cpp ${SETTINGS_TEST_SUPPORT}
  LIBS app_core)
add_wine_test(configure_dialog_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/configure_dialog_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/string_table_test.cpp ${SETTINGS_TEST_SUPPORT}
  LIBS gtest_main app_core)
foreach(test settings_store_test settings_store_win95_test configure_dialog_test)
  target_include_directories(${test} PRIVATE ${PROJECT_SOURCE_DIR}/res)
  target_link_libraries(${test} PRIVATE advapi32)
  # A message box that no recorder catches would wait for a click forever.
  set_tests_properties(${test} PROPERTIES TIMEOUT 300)
endforeach()
