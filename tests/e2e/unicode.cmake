# A device sending UTF-8 on COM23 with the Unicode (UTF-8) setting: the text
# arrives whole in a Unicode window (unicode_e2e.sh).
add_test(NAME e2e_unicode
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/unicode_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 ${CMAKE_BINARY_DIR}/e2e-unicode)
set_tests_properties(e2e_unicode PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300)
