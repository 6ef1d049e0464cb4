# The dialogs at 96 and 144 DPI in every language (dpi_e2e.sh); the
# screenshots are left in e2e-dpi/ of the build. The screen is larger than
# the dialogs need, so that a screenshot always shows them whole.
add_test(NAME e2e_dpi
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/dpi_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> ${CMAKE_BINARY_DIR}/e2e-dpi)
set_tests_properties(e2e_dpi PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 900
  ENVIRONMENT "BENCH_SCREEN=1280x1024x24")
