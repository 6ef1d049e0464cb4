# The packages of tools/package.sh. The x64 installer is installed, run,
# upgraded and removed under Wine (package_e2e.sh); 32-bit programs cannot
# run here, so the packages of both bitnesses are inspected as files
# (package_inspect.sh).
add_executable(file_version ${WINE_TEST_PROGRAMS} ${PROJECT_SOURCE_DIR}/tests/bench/file_version.cpp)
set_target_properties(file_version PROPERTIES OUTPUT_NAME file-version)
target_link_libraries(file_version PRIVATE version)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME e2e_package
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_e2e.sh
                   $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe> $<TARGET_FILE:file_version>
                   ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/e2e-package)
  # Among the longest e2e tests: started first.
  set_tests_properties(e2e_package PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 900 COST 100)
endif()

# Once, in the 32-bit build, whose package it is mostly about.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME e2e_package_files
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_inspect.sh
                   ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/e2e-package-files)
  set_tests_properties(e2e_package_files PROPERTIES LABELS e2e TIMEOUT 900)
endif()
