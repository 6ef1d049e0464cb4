# The dialogs at 96 and 144 DPI (dpi_e2e.sh); the screenshots are left in
# e2e-dpi/ of the build.
add_test(NAME e2e_dpi
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/dpi_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> ${CMAKE_BINARY_DIR}/e2e-dpi)
set_tests_properties(e2e_dpi PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL TRUE)
