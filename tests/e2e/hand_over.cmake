# The device handed over to a Tavrin on the secure desktop and back
# (hand_over_e2e.sh).
add_test(NAME e2e_hand_over
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hand_over_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 ${CMAKE_BINARY_DIR}/e2e-hand-over)
set_tests_properties(e2e_hand_over PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
