# Tavrin.exe as a whole under Wine and Xvfb, driven through Wine's tray by
# tests/bench/tray_driver.cpp; screenshots are left in e2e-shell/ of the build.
add_executable(tray_driver ${WINE_TEST_PROGRAMS} ${PROJECT_SOURCE_DIR}/tests/bench/tray_driver.cpp)
set_target_properties(tray_driver PROPERTIES OUTPUT_NAME tray-driver)

add_test(NAME e2e_shell
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/shell_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> ${CMAKE_BINARY_DIR}/e2e-shell)
set_tests_properties(e2e_shell PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)

add_test(NAME e2e_shell_serial
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/shell_serial_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> ${CMAKE_BINARY_DIR}/e2e-shell-serial)
set_tests_properties(e2e_shell_serial PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
