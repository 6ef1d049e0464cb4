# The first run, a device typing, unplugging and a restart: Tavrin.exe under
# Wine and Xvfb with COM5 on a pseudo-terminal (settings_e2e.sh).
add_executable(input_probe ${WINE_TEST_PROGRAMS} ${PROJECT_SOURCE_DIR}/tests/bench/input_probe.cpp
               ${PROJECT_SOURCE_DIR}/app/keyboard_layout.cpp)
set_target_properties(input_probe PROPERTIES OUTPUT_NAME input-probe)
target_include_directories(input_probe PRIVATE ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/interp)

add_test(NAME e2e_settings
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/settings_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 ${CMAKE_BINARY_DIR}/modem-shim ${CMAKE_BINARY_DIR}/e2e-settings)
set_tests_properties(e2e_settings PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 400)
