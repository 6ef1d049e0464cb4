# The soak test: a long seeded stream through the pty into Tavrin.exe, with
# the device unplugged and plugged back between its parts; every key event a
# low-level hook sees must be what tavrin-replay prints for the stream, with
# the layout table of the system the test runs on (soak_e2e.sh).
#
# tavrin-replay is built here as a Windows program too, from the same
# sources, so that the Windows builds need no native build beside them.
file(GLOB REPLAY_WINDOWS_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/interp/*.cpp ${PROJECT_SOURCE_DIR}/tools/replay/*.cpp)
add_executable(replay_windows ${WINE_TEST_PROGRAMS} ${REPLAY_WINDOWS_SOURCES})
target_include_directories(replay_windows PRIVATE ${PROJECT_SOURCE_DIR}/interp ${PROJECT_SOURCE_DIR}/tools/replay)
set_target_properties(replay_windows PROPERTIES OUTPUT_NAME tavrin-replay)

add_test(NAME e2e_soak
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/soak_e2e.sh
                 $<TARGET_FILE:tavrin> $<TARGET_FILE:tray_driver> $<TARGET_FILE:input_probe>
                 $<TARGET_FILE:replay_windows> ${CMAKE_BINARY_DIR}/e2e-soak)
# Among the longest e2e tests: started early.
set_tests_properties(e2e_soak PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 300 COST 60)
