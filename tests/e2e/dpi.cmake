# The dialogs at 96 and 144 DPI in every language (dpi_e2e.sh), the
# languages shared by two tests that may run side by side; the screenshots
# are left in e2e-dpi-<languages>/ of the build. The screen is larger than
# the dialogs need, so that a screenshot always shows them whole.
foreach(languages "en de fr es" "nl it sv")
  string(REPLACE " " "_" name "${languages}")
  separate_arguments(codes UNIX_COMMAND "${languages}")
  add_test(NAME e2e_dpi_${name}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/dpi_e2e.sh
                   $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> ${CMAKE_BINARY_DIR}/e2e-dpi-${name} ${codes})
  # The longest e2e tests: started first.
  set_tests_properties(e2e_dpi_${name} PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 900 COST 100
    ENVIRONMENT "BENCH_SCREEN=1280x1024x24")
endforeach()
