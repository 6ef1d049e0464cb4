# The device's line goes away while it holds Ctrl, a button and a glide, and
# comes back; Exit under a stream with the About box open (link_loss_e2e.sh).
add_test(NAME e2e_link_loss
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/link_loss_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 ${CMAKE_BINARY_DIR}/e2e-link-loss)
set_tests_properties(e2e_link_loss PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
