# Find my device names the port a device sends on and OK moves Tavrin there
# (find_device_e2e.sh).
add_test(NAME e2e_find_device
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/find_device_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 ${CMAKE_BINARY_DIR}/e2e-find-device)
set_tests_properties(e2e_find_device PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
