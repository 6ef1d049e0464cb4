# The settings store against Wine's registry, the Configure dialog driven by
# messages, and the string table as the program loads it. The stand-ins
# (failing registry writes, help page and tooltip recorders) are linked
# before app_core, so its copies of those symbols stay out.
set(SETTINGS_TEST_SUPPORT
    $<TARGET_OBJECTS:bench_box_recorder>
    $<TARGET_OBJECTS:bench_registry_fixture>
    $<TARGET_OBJECTS:bench_settings_stand_ins>
    ${CMAKE_CURRENT_SOURCE_DIR}/settings_resources.rc)

# windres dependencies are not scanned: rebuild the tests' resources when a
# script they include changes.
file(GLOB SETTINGS_RES_INPUTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.rc ${PROJECT_SOURCE_DIR}/res/lang/*.rc
     ${PROJECT_SOURCE_DIR}/res/*.h)
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/settings_resources.rc
                            PROPERTIES OBJECT_DEPENDS "${SETTINGS_RES_INPUTS}")

add_wine_test(settings_store_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_store_test.cpp ${SETTINGS_TEST_SUPPORT}
  LIBS gtest_main app_core)
add_wine_test(settings_store_win95_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_store_win95_test.cpp ${SETTINGS_TEST_SUPPORT}
          $<TARGET_OBJECTS:bench_windows95_copy>
  LIBS app_core)
add_wine_test(configure_dialog_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/configure_dialog_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/configure_template_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/string_table_test.cpp ${SETTINGS_TEST_SUPPORT}
  LIBS gtest_main app_core)
foreach(test settings_store_test settings_store_win95_test configure_dialog_test)
  target_include_directories(${test} PRIVATE ${PROJECT_SOURCE_DIR}/res)
  target_link_libraries(${test} PRIVATE advapi32)
  # A message box that no recorder catches would wait for a click forever.
  set_tests_properties(${test} PROPERTIES TIMEOUT 300)
endforeach()

# applyLinkSettings and Find my device on real lines, inside
# tests/bench/serial-bench.sh (the modem shim and its folder come from
# links.cmake).
wine_test_program(link_settings_test
  ${CMAKE_CURRENT_SOURCE_DIR}/link_settings_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/port_search_test.cpp
  $<TARGET_OBJECTS:bench_comm_faults>
  $<TARGET_OBJECTS:bench_box_recorder>
  $<TARGET_OBJECTS:bench_serial_bench>
  $<TARGET_OBJECTS:bench_link_recorder>
  $<TARGET_OBJECTS:bench_registry_fixture>
  $<TARGET_OBJECTS:bench_settings_stand_ins>
  ${CMAKE_CURRENT_SOURCE_DIR}/settings_resources.rc)
target_include_directories(link_settings_test PRIVATE ${PROJECT_SOURCE_DIR}/res)
target_link_libraries(link_settings_test PRIVATE gtest_main app_core)
add_dependencies(link_settings_test modem_shim)
add_test(NAME link_settings_test
         COMMAND ${PROJECT_SOURCE_DIR}/tests/bench/serial-bench.sh ${MODEM_SHIM_DIR} $<TARGET_FILE:link_settings_test>)
set_tests_properties(link_settings_test PROPERTIES
  LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 300)
