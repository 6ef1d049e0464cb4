# A device page on COM24 that scrolls a list with the wheel, points at an
# entry with ,goto and clicks it, and pauses its typing with ,wait
# (pages_e2e.sh).
add_test(NAME e2e_pages
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/pages_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 ${CMAKE_BINARY_DIR}/e2e-pages)
set_tests_properties(e2e_pages PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
